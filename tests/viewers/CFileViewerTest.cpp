// Showing the selected file: the message rules in their order, the size
// limit compared as a fraction, the JPEG rule, and the temporary view file
// (deleted before anything else when another file is shown and when the
// viewer goes; none left by a failed take-out). The take-out itself is
// fileops' (its tests cover the private copy); here it is a stand-in that
// makes a private directory under the parent it is given.
#include "viewers/CFileViewer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane::viewers {
namespace {

class FileViewerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::mkdir(zipTemp.c_str(), 0755);
        ::mkdir(cRoot.c_str(), 0755);
        members["docs/Exact.txt"] = std::string(24576, 'a');
        members["Photo.JPG"] = "not really a jpeg";
        settings.zipTempPath = zipTemp;
    }

    ViewEntry Member(const std::string& stored, uint64_t size) {
        ViewEntry e;
        e.name = stored.substr(stored.rfind('/') + 1);
        e.size = size;
        e.zipMember = true;
        e.zipPath = "C:\\A.ZIP";
        e.memberName = stored;
        return e;
    }
    ViewEntry Plain(const std::string& name, const std::string& bytes) {
        test::WriteFile(cRoot + "/" + name, bytes);
        ViewEntry e;
        e.name = name;
        e.hostPath = cRoot + "/" + name;
        e.size = bytes.size();
        return e;
    }
    // A private directory under parent holding the member's bytes; "" for
    // a member the archive does not hold.
    std::string Extract(const ViewEntry& member, const std::string& parent) {
        ++extractions;
        auto it = members.find(member.memberName);
        if (it == members.end())
            return "";
        std::string pattern = parent + "/view-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            return "";
        const std::string copy = pattern + "/" + member.name;
        test::WriteFile(copy, it->second);
        ::chmod(copy.c_str(), 0600);
        return copy;
    }
    CFileViewer MakeViewer() {
        return CFileViewer(
            [this](const ViewEntry& m, const std::string& p) { return Extract(m, p); },
            [this](const std::string& path) {
                probed.push_back(path);
                return path.ends_with(".jpeg") ? 10 : -1;
            },
            [this](const std::string& copy) {
                removed.push_back(copy);
                std::filesystem::remove_all(std::filesystem::path(copy).parent_path());
            });
    }

    test::TempDir dir;
    std::string zipTemp = dir / "ziptemp", cRoot = dir / "c";
    std::map<std::string, std::string> members;
    ViewSettings settings;
    int extractions = 0;
    std::vector<std::string> probed, removed;
};

TEST_F(FileViewerTest, ZipMemberRulesGiveTheirMessagesInOrder) {
    const std::string multi = "' is within a multi-volume zip file and thus cannot be viewed "
                              "without being extracted.";
    const std::string off = "' is within a zip file and zip file viewing is disabled.";
    const std::string encrypted = "' is an encrypted file. It must be copied or moved out of the "
                                  "zip file to be viewed.";
    const std::string big = "' is within a zip file and it is bigger than the maximum set view "
                            "filesize (24k).";
    const std::string noTemp = "' is within a zip file and the ZIP temp path is not set. The path "
                               "is set within the General Settings/Paths dialog (press Ctrl+G).";
    struct Case {
        const char* what;
        bool multiVolume, viewInZip, encrypted;
        uint64_t size;
        int maxKb;
        std::string zipTemp, systemTemp;
        std::string expected; // after "File 'X.TXT"
    } cases[] = {
        {"multi-volume wins over everything", true, false, true, 99999, 24, "t", "s", multi},
        {"viewing off wins over encryption", false, false, true, 99999, 24, "t", "s", off},
        {"encrypted wins over the size", false, true, true, 99999, 24, "t", "s", encrypted},
        {"exactly 24k is shown", false, true, false, 24576, 24, "t", "s", ""},
        {"one byte more is refused", false, true, false, 24577, 24, "t", "s", big},
        {"a maximum of 0 is no limit", false, true, false, 1u << 30, 0, "t", "s", ""},
        {"a smaller maximum shows in the text", false, true, false, 2049, 2, "t", "s",
         "' is within a zip file and it is bigger than the maximum set view filesize (2k)."},
        {"no temp path: the system's is used", false, true, false, 100, 24, "", "s", ""},
        {"no temp path and no system temp", false, true, false, 100, 24, "", "", noTemp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ViewEntry e = Member("X.TXT", c.size);
        e.multiVolume = c.multiVolume;
        e.attributeWord = c.encrypted ? kEncryptedAttribute | 0x20 : 0x20;
        ViewSettings s;
        s.viewFilesInZipFiles = c.viewInZip;
        s.maxZipViewSizeKb = c.maxKb;
        s.zipTempPath = c.zipTemp;
        const std::string message = ZipMemberViewMessage(e, s, c.systemTemp);
        EXPECT_EQ(message, c.expected.empty() ? "" : "File 'X.TXT" + c.expected);
    }
}

TEST_F(FileViewerTest, JpegViewingOffRefusesPicturesByContentOrName) {
    struct Case {
        const char* name;
        bool viewJpeg;
        bool refused;
    } cases[] = {
        {"photo.jpeg", false, true}, // the probe recognises it
        {"photo.jpg", false, true},  // the name says so
        {"PHOTO.JTF", false, true},  {"photo.cmp", false, true},
        {"photo.jpg", true, false},  {"notes.txt", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFileViewer viewer = MakeViewer();
        settings.viewJpegFiles = c.viewJpeg;
        const ViewEntry e = Plain(c.name, "some bytes");
        const ViewShow show = viewer.Show(&e, settings, "/tmp");
        if (c.refused) {
            EXPECT_EQ(show.message, "File '" + std::string(c.name) +
                                        "' is a JPEG image. JPEG viewing is currently disabled.");
            EXPECT_EQ(show.path, "");
        } else {
            EXPECT_EQ(show.message, "");
            EXPECT_EQ(show.path, e.hostPath);
        }
    }
    // A JPEG member is refused without being taken out.
    CFileViewer viewer = MakeViewer();
    settings.viewJpegFiles = false;
    const ViewEntry photo = Member("Photo.JPG", 17);
    EXPECT_EQ(viewer.Show(&photo, settings, "/tmp").message,
              "File 'Photo.JPG' is a JPEG image. JPEG viewing is currently disabled.");
    EXPECT_EQ(extractions, 0);
}

TEST_F(FileViewerTest, EmptyEntriesAndNoSelectionShowAnEmptyPane) {
    CFileViewer viewer = MakeViewer();
    const ViewEntry empty = Plain("EMPTY.TXT", "");
    for (const ViewEntry* e : {&empty, static_cast<const ViewEntry*>(nullptr)}) {
        const ViewShow show = viewer.Show(e, settings, "/tmp");
        EXPECT_EQ(show.path, "");
        EXPECT_EQ(show.message, "");
    }
    EXPECT_TRUE(probed.empty());
}

TEST_F(FileViewerTest, AMemberIsTakenOutPrivatelyAndDeletedBeforeTheNextFileIsShown) {
    test::WriteFile(zipTemp + "/Exact.txt", "the user's own file");
    std::string copy;
    {
        CFileViewer viewer = MakeViewer();
        const ViewEntry member = Member("docs/Exact.txt", 24576);
        ViewShow show = viewer.Show(&member, settings, "/tmp");
        ASSERT_EQ(show.message, "");
        copy = show.path;
        EXPECT_EQ(viewer.TemporaryViewFile(), copy);
        EXPECT_EQ(test::ReadFile(copy), std::string(24576, 'a'));
        EXPECT_EQ(test::FileMode(copy), 0600u);
        EXPECT_EQ(copy.rfind(zipTemp + "/", 0), 0u) << copy;
        EXPECT_EQ(test::ReadFile(zipTemp + "/Exact.txt"), "the user's own file");

        // The next selection: the copy is gone before the probe of the new file runs.
        const ViewEntry plain = Plain("NOTES.TXT", "notes");
        show = viewer.Show(&plain, settings, "/tmp");
        EXPECT_EQ(removed, std::vector<std::string>{copy});
        EXPECT_FALSE(test::FileExists(copy));
        EXPECT_TRUE(probed.size() == 2 && probed[1] == plain.hostPath);
        EXPECT_EQ(viewer.TemporaryViewFile(), "");
        EXPECT_EQ(show.path, plain.hostPath);

        // Another member, left to the viewer's end (program exit).
        const ViewEntry again = Member("docs/Exact.txt", 24576);
        copy = viewer.Show(&again, settings, "/tmp").path;
        ASSERT_TRUE(test::FileExists(copy));
    }
    EXPECT_FALSE(test::FileExists(copy));
    EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{"Exact.txt"});
    EXPECT_EQ(test::ReadFile(zipTemp + "/Exact.txt"), "the user's own file");
}

TEST_F(FileViewerTest, AFailedTakeOutLeavesNoViewFile) {
    CFileViewer viewer = MakeViewer();
    const ViewEntry shown = Member("docs/Exact.txt", 24576);
    ASSERT_NE(viewer.Show(&shown, settings, "/tmp").path, "");
    const ViewEntry missing = Member("docs/Gone.txt", 7);
    const ViewShow show = viewer.Show(&missing, settings, "/tmp");
    EXPECT_EQ(show.path, "");
    EXPECT_EQ(viewer.TemporaryViewFile(), "");
    EXPECT_EQ(extractions, 2);
    EXPECT_EQ(removed.size(), 1u);
    EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{});
}

} // namespace
} // namespace vorlane::viewers
