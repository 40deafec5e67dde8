// The thumbnail objects: their names, the exact path they carry, and how
// they follow the change notices of copies, moves, renames and deletes.
#include "viewers/ThumbnailFollow.h"

#include "ThumbnailTestSupport.h"
#include "viewers/CImage.h"

#include <algorithm>

namespace vorlane::viewers {
namespace {

using namespace vorlane::viewers::test;
using ui::ChangeKind;

TEST(ThumbnailObject, CarriesTheExactPathInsideAValidPng) {
    EXPECT_EQ(ThumbnailKey("C:\\Pics\\Ünï\\BEACH.Jpg"), "c:\\pics\\Ünï\\beach.jpg");
    const std::vector<uint8_t> png = PngBytes(16, 12);
    const std::vector<uint8_t> object = EncodeThumbnailObject(png, "C:\\Pics\\Beach.JPG");
    ASSERT_FALSE(object.empty());
    std::string exact;
    ASSERT_TRUE(DecodeThumbnailObject(object, &exact));
    EXPECT_EQ(exact, "C:\\Pics\\Beach.JPG");
    // Still a picture every PNG reader takes (the chunk's CRC is right).
    CImage image;
    ASSERT_TRUE(image.LoadMemory(object.data(), object.size())) << image.ErrorText();
    EXPECT_EQ(image.Width(), 16);

    // Given a new path, the object holds that one only.
    const std::vector<uint8_t> moved = EncodeThumbnailObject(object, "D:\\New.jpg");
    ASSERT_TRUE(DecodeThumbnailObject(moved, &exact));
    EXPECT_EQ(exact, "D:\\New.jpg");
    EXPECT_EQ(moved.size(), object.size() - std::string("C:\\Pics\\Beach.JPG").size() +
                                std::string("D:\\New.jpg").size());

    struct Case {
        const char* shownAs;
        bool shows;
    } cases[] = {{"C:\\Pics\\Beach.JPG", true},
                 {"C:\\PICS\\BEACH.JPG", false},
                 {"C:\\Pics\\beach.jpg", false}};
    for (const Case& c : cases)
        EXPECT_EQ(ThumbnailBelongsTo(object, c.shownAs), c.shows) << c.shownAs;
    EXPECT_TRUE(ThumbnailBelongsTo(png, "C:\\anything.png")) << "an object without a path";
    EXPECT_FALSE(DecodeThumbnailObject({'n', 'o', 't'}, &exact));
    EXPECT_TRUE(EncodeThumbnailObject({'n', 'o', 't'}, "C:\\x").empty());
}

class FollowTest : public ThumbnailTest {
  protected:
    void Keep(const std::string& dosPath) {
        ASSERT_TRUE(store.Put(ThumbnailKey(dosPath), EncodeThumbnailObject(m_png, dosPath)));
    }
    // The stored names, each with the exact path it carries.
    std::vector<std::string> Contents() {
        std::vector<std::string> out;
        for (const std::string& name : store.Names()) {
            std::vector<uint8_t> data;
            std::string exact;
            store.Get(name, &data);
            DecodeThumbnailObject(data, &exact);
            out.push_back(name + " = " + exact);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

  private:
    std::vector<uint8_t> m_png = PngBytes(8, 6);
};

TEST_F(FollowTest, NoticesCopyMoveAndDropThumbnails) {
    struct Case {
        const char* what;
        ui::ChangeNotice notice;
        std::vector<std::string> after;
    } cases[] = {
        {"a file deleted",
         {ChangeKind::Removed, "C:\\Pics\\A.png"},
         {"c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png", "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"a file renamed takes its new exact path",
         {ChangeKind::Renamed, "C:\\Pics\\A.png", "C:\\Pics\\Z.PNG"},
         {"c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png", "c:\\pics\\z.png = C:\\Pics\\Z.PNG",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"a rename that changes only the case",
         {ChangeKind::Renamed, "C:\\Pics\\A.png", "C:\\Pics\\a.PNG"},
         {"c:\\pics\\a.png = C:\\Pics\\a.PNG", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"a file copied",
         {ChangeKind::Added, "D:\\Copy.png", "", false, "C:\\Pics\\A.png"},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png", "d:\\copy.png = D:\\Copy.png"}},
        {"a copy over a picture whose source has no thumbnail",
         {ChangeKind::Changed, "C:\\Pics2\\c.png", "", false, "C:\\none.png"},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png"}},
        {"a new file where an old thumbnail was",
         {ChangeKind::Added, "C:\\Pics2\\c.png"},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png"}},
        {"a file touched keeps it",
         {ChangeKind::Changed, "C:\\Pics2\\c.png"},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"a directory removed takes what is below it, not its namesake's neighbour",
         {ChangeKind::Removed, "C:\\Pics", "", true},
         {"c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"a directory renamed moves everything below it",
         {ChangeKind::Renamed, "C:\\Pics", "D:\\Moved", true},
         {"c:\\pics2\\c.png = C:\\Pics2\\c.png", "d:\\moved\\a.png = D:\\Moved\\A.png",
          "d:\\moved\\sub\\b.png = D:\\Moved\\Sub\\b.png"}},
        {"a directory named in another case is another directory",
         {ChangeKind::Removed, "C:\\PICS", "", true},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"a file whose name differs only in case leaves the other's thumbnail",
         {ChangeKind::Removed, "C:\\Pics\\a.png"},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
        {"and is not carried by the other's rename",
         {ChangeKind::Renamed, "C:\\Pics\\a.png", "C:\\Pics\\q.png"},
         {"c:\\pics\\a.png = C:\\Pics\\A.png", "c:\\pics\\sub\\b.png = C:\\Pics\\Sub\\b.png",
          "c:\\pics2\\c.png = C:\\Pics2\\c.png"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : store.Names())
            store.Delete(name);
        Keep("C:\\Pics\\A.png");
        Keep("C:\\Pics\\Sub\\b.png");
        Keep("C:\\Pics2\\c.png");
        FollowChange(store, c.notice);
        std::vector<std::string> after = c.after;
        std::sort(after.begin(), after.end());
        EXPECT_EQ(Contents(), after);
    }
}

TEST_F(FollowTest, SameFileUnderAnotherCaseIsShownOnlyWhenItIsTheSameInode) {
    Picture("Pics/Beach.png", 20, 20);
    Picture("Pics/beach.PNG", 20, 20); // another file, differing only in case
    const std::vector<uint8_t> object =
        EncodeThumbnailObject(PngBytes(4, 4), "C:\\Pics\\Beach.png");
    EXPECT_TRUE(ThumbnailShowsFile(object, "C:\\Pics\\Beach.png", *drives));
    EXPECT_FALSE(ThumbnailShowsFile(object, "C:\\Pics\\beach.PNG", *drives));
    // A name no file has in that case resolves to the file that has it
    // (as a volume that ignores case shows it): the same file.
    EXPECT_TRUE(ThumbnailShowsFile(object, "C:\\PICS\\BEACH.png", *drives));
}

} // namespace
} // namespace vorlane::viewers
