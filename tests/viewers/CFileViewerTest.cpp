// Showing the selected file: the message rules in their order, the size
// limit compared as a fraction, the JPEG rule, the take-out in two phases
// (a pending show, then the landing with its ticket: stale ones deleted,
// one take-out at a time, the newest run next), and the temporary view
// file (deleted before anything else when another file is shown and when
// the viewer goes; none left by a failed, stale or orphaned take-out). The
// take-out itself is fileops' (its tests cover the private copy); here it
// is a stand-in that makes a private directory under the parent it is
// given, run by hand between the phases.
#include "viewers/CFileViewer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
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
        members["shot.dat"] = kJpegBytes + "in disguise";
        members["other.txt"] = "another member";
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
    std::unique_ptr<CFileViewer> MakeViewer() {
        return std::make_unique<CFileViewer>(
            [this](const std::string& path) {
                probed.push_back(path);
                return test::ReadFile(path).starts_with(kJpegBytes) ? 10 : -1;
            },
            [this](const std::string& copy) {
                removed.push_back(copy);
                std::filesystem::remove_all(std::filesystem::path(copy).parent_path());
            });
    }
    // The window's part: runs the take-out the viewer hands out; the copy.
    std::string RunTakeOut(const TakeOut& takeOut) {
        return Extract(takeOut.member, takeOut.parentDir);
    }
    // Show, then the take-out run and landed at once; the final show.
    ViewShow ShowMember(CFileViewer& viewer, const ViewEntry& member) {
        const ViewShow pending = viewer.Show(&member, settings, "/tmp");
        EXPECT_TRUE(pending.pending);
        EXPECT_EQ(pending.path, "");
        std::optional<TakeOut> takeOut = viewer.NextTakeOut();
        if (!takeOut)
            return pending;
        std::optional<ViewShow> show = takeOut->land(RunTakeOut(*takeOut));
        EXPECT_TRUE(show.has_value());
        EXPECT_FALSE(viewer.TakingOut());
        return show.value_or(ViewShow{});
    }

    static inline const std::string kJpegBytes = "\xFF\xD8\xFF";
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
        std::string bytes;
        bool viewJpeg;
        bool refused;
    } cases[] = {
        {"photo.dat", kJpegBytes, false, true}, // the probe recognises it
        {"photo.jpg", "text", false, true},     // the name says so
        {"PHOTO.JTF", "text", false, true},     {"photo.cmp", "text", false, true},
        {"photo.jpg", kJpegBytes, true, false}, {"notes.txt", "text", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto viewer = MakeViewer();
        settings.viewJpegFiles = c.viewJpeg;
        const ViewEntry e = Plain(c.name, c.bytes);
        const ViewShow show = viewer->Show(&e, settings, "/tmp");
        EXPECT_FALSE(show.pending);
        if (c.refused) {
            EXPECT_EQ(show.message, "File '" + std::string(c.name) +
                                        "' is a JPEG image. JPEG viewing is currently disabled.");
            EXPECT_EQ(show.path, "");
        } else {
            EXPECT_EQ(show.message, "");
            EXPECT_EQ(show.path, e.hostPath);
        }
    }
    settings.viewJpegFiles = false;
    // A JPEG member is refused by its name without being taken out.
    auto viewer = MakeViewer();
    const ViewEntry photo = Member("Photo.JPG", 17);
    const ViewShow refused = viewer->Show(&photo, settings, "/tmp");
    EXPECT_EQ(refused.message,
              "File 'Photo.JPG' is a JPEG image. JPEG viewing is currently disabled.");
    EXPECT_FALSE(refused.pending);
    EXPECT_FALSE(viewer->NextTakeOut().has_value());
    EXPECT_EQ(extractions, 0);
    // One that says so only by its bytes is refused once out, and its copy goes.
    const ViewShow disguised = ShowMember(*viewer, Member("shot.dat", 14));
    EXPECT_EQ(disguised.message,
              "File 'shot.dat' is a JPEG image. JPEG viewing is currently disabled.");
    EXPECT_EQ(disguised.path, "");
    EXPECT_EQ(viewer->TemporaryViewFile(), "");
    EXPECT_EQ(removed.size(), 1u);
    EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{});
}

TEST_F(FileViewerTest, EmptyEntriesAndNoSelectionShowAnEmptyPane) {
    auto viewer = MakeViewer();
    const ViewEntry empty = Plain("EMPTY.TXT", "");
    const ViewEntry emptyMember = Member("other.txt", 0);
    for (const ViewEntry* e : {&empty, &emptyMember, static_cast<const ViewEntry*>(nullptr)}) {
        const ViewShow show = viewer->Show(e, settings, "/tmp");
        EXPECT_EQ(show.path, "");
        EXPECT_EQ(show.message, "");
        EXPECT_FALSE(show.pending);
    }
    EXPECT_FALSE(viewer->NextTakeOut().has_value());
    EXPECT_TRUE(probed.empty());
}

TEST_F(FileViewerTest, AMemberIsTakenOutPrivatelyAndDeletedBeforeTheNextFileIsShown) {
    test::WriteFile(zipTemp + "/Exact.txt", "the user's own file");
    std::string copy;
    {
        auto viewerOwned = MakeViewer();
        CFileViewer& viewer = *viewerOwned;
        ViewShow show = ShowMember(viewer, Member("docs/Exact.txt", 24576));
        ASSERT_EQ(show.message, "");
        EXPECT_EQ(show.displayName, "Exact.txt");
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
        copy = ShowMember(viewer, Member("docs/Exact.txt", 24576)).path;
        ASSERT_TRUE(test::FileExists(copy));
    }
    EXPECT_FALSE(test::FileExists(copy));
    EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{"Exact.txt"});
    EXPECT_EQ(test::ReadFile(zipTemp + "/Exact.txt"), "the user's own file");
}

TEST_F(FileViewerTest, AFailedTakeOutLeavesNoViewFile) {
    auto viewer = MakeViewer();
    ASSERT_NE(ShowMember(*viewer, Member("docs/Exact.txt", 24576)).path, "");
    const ViewShow show = ShowMember(*viewer, Member("docs/Gone.txt", 7));
    EXPECT_EQ(show.path, "");
    EXPECT_EQ(show.message, "");
    EXPECT_EQ(show.displayName, "Gone.txt");
    EXPECT_EQ(viewer->TemporaryViewFile(), "");
    EXPECT_FALSE(viewer->NextTakeOut().has_value());
    EXPECT_EQ(extractions, 2);
    EXPECT_EQ(removed.size(), 1u);
    EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{});
}

TEST_F(FileViewerTest, AStaleOrOrphanedTakeOutIsDeletedAtOnceAndShowsNothing) {
    const ViewEntry plain = Plain("NOTES.TXT", "notes");
    const ViewEntry member = Member("docs/Exact.txt", 24576);
    const ViewEntry other = Member("other.txt", 14);
    struct Case {
        const char* what;
        // What happens while the take-out of "docs/Exact.txt" runs.
        std::function<void(std::unique_ptr<CFileViewer>&)> meanwhile;
        bool shown;
        std::string next; // the member taken out next ("" none)
    } cases[] = {
        {"nothing: the copy is shown", [](auto&) {}, true, ""},
        {"the caret moved to a plain file", [&](auto& v) { v->Show(&plain, settings, "/tmp"); },
         false, ""},
        {"the caret moved to another member", [&](auto& v) { v->Show(&other, settings, "/tmp"); },
         false, "other.txt"},
        {"the same member was selected again", [&](auto& v) { v->Show(&member, settings, "/tmp"); },
         false, "docs/Exact.txt"},
        {"the viewer was cleared", [&](auto& v) { v->Show(nullptr, settings, "/tmp"); }, false, ""},
        {"the viewer was destroyed", [](auto& v) { v.reset(); }, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        removed.clear();
        auto viewer = MakeViewer();
        ASSERT_TRUE(viewer->Show(&member, settings, "/tmp").pending);
        std::optional<TakeOut> takeOut = viewer->NextTakeOut();
        ASSERT_TRUE(takeOut.has_value());
        EXPECT_TRUE(viewer->TakingOut());
        EXPECT_EQ(takeOut->member.memberName, "docs/Exact.txt");
        EXPECT_EQ(takeOut->parentDir, zipTemp);
        const std::string copy = RunTakeOut(*takeOut);
        ASSERT_TRUE(test::FileExists(copy));
        c.meanwhile(viewer);
        const std::optional<ViewShow> show = takeOut->land(copy);
        EXPECT_EQ(show.has_value(), c.shown);
        EXPECT_EQ(test::FileExists(copy), c.shown);
        if (c.shown) {
            EXPECT_EQ(show->path, copy);
            EXPECT_EQ(viewer->TemporaryViewFile(), copy);
        } else {
            EXPECT_EQ(removed, std::vector<std::string>{copy});
        }
        if (viewer) {
            EXPECT_FALSE(viewer->TakingOut());
            // A newer member's take-out waited for the stale one to land.
            const std::optional<TakeOut> next = viewer->NextTakeOut();
            EXPECT_EQ(next ? next->member.memberName : "", c.next);
            if (next) {
                EXPECT_NE(next->ticket, takeOut->ticket);
            }
        }
        viewer.reset();
        EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{});
    }
    // A failed take-out that lands late, after its viewer, deletes nothing.
    removed.clear();
    auto viewer = MakeViewer();
    viewer->Show(&member, settings, "/tmp");
    std::optional<TakeOut> failed = viewer->NextTakeOut();
    viewer.reset();
    EXPECT_FALSE(failed->land("").has_value());
    EXPECT_TRUE(removed.empty());
}

TEST_F(FileViewerTest, ABurstOfMembersRunsOneTakeOutAtATimeAndEndsOnTheLast) {
    auto viewer = MakeViewer();
    const ViewEntry first = Member("docs/Exact.txt", 24576);
    viewer->Show(&first, settings, "/tmp");
    std::optional<TakeOut> running = viewer->NextTakeOut();
    ASSERT_TRUE(running.has_value());
    // The caret runs on over other members while the first comes out.
    const ViewEntry other = Member("other.txt", 14), photo = Member("shot.dat", 14);
    for (const ViewEntry* e : {&other, &photo, &other}) {
        EXPECT_TRUE(viewer->Show(e, settings, "/tmp").pending);
        EXPECT_FALSE(viewer->NextTakeOut().has_value()); // one at a time
    }
    EXPECT_FALSE(running->land(RunTakeOut(*running)).has_value());
    // Only the newest comes out next; the ones between never do.
    std::optional<TakeOut> last = viewer->NextTakeOut();
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->member.memberName, "other.txt");
    EXPECT_GT(last->ticket, running->ticket);
    const std::optional<ViewShow> show = last->land(RunTakeOut(*last));
    ASSERT_TRUE(show.has_value());
    EXPECT_EQ(test::ReadFile(show->path), "another member");
    EXPECT_EQ(show->displayName, "other.txt");
    EXPECT_FALSE(viewer->NextTakeOut().has_value());
    EXPECT_EQ(extractions, 2);
    viewer.reset();
    EXPECT_EQ(test::ListDir(zipTemp), std::vector<std::string>{});
}

} // namespace
} // namespace vorlane::viewers
