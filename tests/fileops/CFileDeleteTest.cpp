// The delete and remove-directory driver: its settings, the prompt rules,
// the three ways, trees walked safely (links, mount points, read-only
// directories, the root and the home directory), the recycle bin, zap in
// trees, zip members, descriptions and the faults it survives.
#include "CopyTestSupport.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CFileDelete.h"
#include "platform/Trash.h"
#include "zip/CZipFileOperation.h"

#include <fstream>
#include <linux/capability.h>
#include <map>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorlane::fileops::testing {
namespace {

using Op = platform::fault::Op;
using ui::Answer;

class DeleteTest : public CopyTest {
  protected:
    CDeleteOutcome Delete(const std::string& directory, Strings files, int type = kDeleteNormal,
                          bool prompt = false, bool descriptions = false) {
        CDeleteParameters p;
        p.deleteType = type;
        p.promptFirst = prompt;
        p.directory = directory;
        p.files = std::move(files);
        p.descriptions = descriptions;
        CDeleteJob job(p);
        ui::OperationContext runContext = context.WithNotices(*recorder);
        ui::RunJobNow(job, runContext);
        return job.Outcome();
    }
    CDeleteOutcome Remove(const std::string& directory, int type = kDeleteNormal,
                          bool prompt = false) {
        CRemoveDirectoryParameters p;
        p.deleteType = type;
        p.promptFirst = prompt;
        p.directory = directory;
        ui::OperationContext runContext = context.WithNotices(*recorder);
        return RunRemoveDirectory(p, runContext);
    }
    // A private trash for the test.
    std::string trash = dir / "data/Trash";
    test::ScopedEnv dataHome{"XDG_DATA_HOME", dir / "data"};
};

TEST(DeleteSettings, ReadDefaultsOddValuesAndWriteBack) {
    struct Case {
        const char* name;
        std::map<std::string, int> stored;
        int type;
        bool prompt;
    } cases[] = {
        {"nothing stored", {}, kDeleteNormal, true},
        {"zap, no prompt", {{"Delete Type", 1}, {"Prompt First", 0}}, kDeleteZap, false},
        {"recycle", {{"Delete Type", 2}}, kDeleteRecycle, true},
        {"unknown type reads as normal", {{"Delete Type", 7}}, kDeleteNormal, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto read = [&](const std::string& section, const std::string& key, int fallback) {
            EXPECT_EQ(section, "File Delete");
            auto it = c.stored.find(key);
            return it == c.stored.end() ? fallback : it->second;
        };
        CDeleteParameters p = ReadDeleteSettings(read);
        EXPECT_EQ(p.deleteType, c.type);
        EXPECT_EQ(p.promptFirst, c.prompt);
        std::map<std::string, std::string> written;
        WriteDeleteSettings(p.deleteType, p.promptFirst,
                            [&](const std::string&, const std::string& key,
                                const std::string& value) { written[key] = value; });
        EXPECT_EQ(written,
                  (std::map<std::string, std::string>{{"Delete Type", std::to_string(c.type)},
                                                      {"Prompt First", c.prompt ? "1" : "0"}}));
    }
}

// Which files are asked about, with which text, and what the answers do.
TEST_F(DeleteTest, PromptsFollowPromptFirstSpecialFilesAndYesToAll) {
    auto plain = [](const std::string& name) {
        return "Do you want to delete the file\n'C:\\D\\" + name + "'?";
    };
    auto special = [](const std::string& name) {
        return "The file 'C:\\D\\" + name +
               "' is a read-only, hidden, or system file. Do you wish to delete it?";
    };
    struct Case {
        const char* name;
        bool promptFirst;
        std::vector<Answer> answers;
        Strings asked;
        Strings left;
        bool cancelled;
    } cases[] = {
        {"no prompt first: only the read-only file is asked about",
         false,
         {Answer::Yes},
         {special("RO.TXT")},
         {},
         false},
        {"No skips the special file", false, {Answer::No}, {special("RO.TXT")}, {"RO.TXT"}, false},
        {"Yes To All at an ordinary prompt still asks at the read-only file",
         true,
         {Answer::YesToAll, Answer::Yes},
         {plain("A.TXT"), special("RO.TXT")},
         {},
         false},
        {"Yes To All at the read-only prompt silences both kinds",
         true,
         {Answer::Yes, Answer::YesToAll},
         {plain("A.TXT"), special("RO.TXT")},
         {},
         false},
        {"No skips, Cancel stops",
         true,
         {Answer::No, Answer::Yes, Answer::Cancel},
         {plain("A.TXT"), special("RO.TXT"), plain("B.TXT")},
         {"A.TXT", "B.TXT", "C.TXT"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(Host("C:\\D"));
        MakeTree(cRoot, {"D/A.TXT=a", "D/RO.TXT=r", "D/B.TXT=b", "D/C.TXT=c"});
        ASSERT_TRUE(platform::SetAttributes(Host("C:\\D\\RO.TXT"), platform::kAttrReadOnly));
        const size_t before = ui.Shown().size();
        for (Answer a : c.answers)
            ui.QueueYesNoAllCancel(a);
        CDeleteOutcome out =
            Delete("C:\\D", {"A.TXT", "RO.TXT", "B.TXT", "C.TXT"}, kDeleteNormal, c.promptFirst);
        Strings asked;
        for (size_t i = before; i < ui.Shown().size(); ++i) {
            EXPECT_EQ(ui.Shown()[i].caption, "Delete File");
            asked.push_back(ui.Shown()[i].text);
        }
        EXPECT_EQ(asked, c.asked);
        Strings left;
        for (const char* n : {"A.TXT", "RO.TXT", "B.TXT", "C.TXT"})
            if (Exists(std::string("C:\\D\\") + n))
                left.push_back(n);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(out.cancelled, c.cancelled);
        EXPECT_EQ(out.failed, 0u);
    }
}

TEST_F(DeleteTest, EmptyGroupIsRefused) {
    Delete("C:\\", {});
    EXPECT_EQ(Shown(), Strings{"The selected file group does not have any files!"});
}

// The three ways on a group: every file goes, with a notice and its
// description; a file already gone counts as deleted without a word.
TEST_F(DeleteTest, ThreeWaysDeleteTheGroupAndItsDescriptions) {
    for (int type : {kDeleteNormal, kDeleteZap, kDeleteRecycle}) {
        SCOPED_TRACE(type);
        std::filesystem::remove_all(Host("C:\\D"));
        std::filesystem::remove_all(trash);
        ForgetNotices();
        MakeTree(cRoot, {"D/A.TXT=secret", "D/B.TXT=b", "D/KEEP.TXT=k"});
        {
            descriptions::C4DosDescriptionDatabase db(context.DriveSnapshot());
            ASSERT_TRUE(db.SetDirectory("C:\\D"));
            ASSERT_TRUE(db.Set("A.TXT", "first"));
            ASSERT_TRUE(db.Set("KEEP.TXT", "kept"));
        }
        CDeleteOutcome out = Delete("C:\\D", {"A.TXT", "GONE.TXT", "B.TXT"}, type, false, true);
        EXPECT_EQ(out.deleted, 3u);
        EXPECT_EQ(out.failed, 0u);
        EXPECT_TRUE(Shown().empty()) << Shown().front();
        EXPECT_EQ(Notices(), (Strings{"Removed C:\\D\\A.TXT", "Removed C:\\D\\GONE.TXT",
                                      "Removed C:\\D\\B.TXT"}));
        // Only the description file and the kept file stay (no scratch name).
        EXPECT_EQ(Listing(Host("C:\\D")), (Strings{"DESCRIPT.ION", "KEEP.TXT"}));
        descriptions::C4DosDescriptionDatabase db(context.DriveSnapshot());
        ASSERT_TRUE(db.SetDirectory("C:\\D"));
        std::string text;
        EXPECT_FALSE(db.Get("A.TXT", &text));
        EXPECT_TRUE(db.Get("KEEP.TXT", &text));
        // The recycle bin can give each file back.
        if (type == kDeleteRecycle) {
            EXPECT_EQ(Listing(trash + "/files"), (Strings{"A.TXT", "B.TXT"}));
            EXPECT_NE(test::ReadFile(trash + "/info/A.TXT.trashinfo")
                          .find("Path=" + platform::TrashPercentEncode(Host("C:\\D\\A.TXT"))),
                      std::string::npos);
        }
    }
}

TEST_F(DeleteTest, ZapOfAHardLinkedFileOnlyUnlinksItAndSaysSo) {
    MakeTree(cRoot, {"D/A.TXT=shared"});
    ASSERT_EQ(::link(Host("C:\\D\\A.TXT").c_str(), Host("C:\\OTHER.TXT").c_str()), 0);
    CDeleteOutcome out = Delete("C:\\D", {"A.TXT"}, kDeleteZap);
    EXPECT_EQ(out.deleted, 1u);
    EXPECT_FALSE(Exists("C:\\D\\A.TXT"));
    EXPECT_EQ(Bytes("C:\\OTHER.TXT"), "shared");
    EXPECT_EQ(Shown(), Strings{"The file 'C:\\D\\A.TXT' has other names (hard links): only this "
                               "name was removed; its contents were not overwritten."});
}

// Trees: depth first, every file and directory announced, links removed as
// links whatever they point to, in each of the three ways.
TEST_F(DeleteTest, TreeRemovalRemovesLinksAsLinksInEveryWay) {
    for (int type : {kDeleteNormal, kDeleteZap, kDeleteRecycle}) {
        SCOPED_TRACE(type);
        std::filesystem::remove_all(cRoot);
        std::filesystem::remove_all(trash);
        ForgetNotices();
        MakeTree(cRoot, {"OUT/F.TXT=outside", "OUT/SUB/G.TXT=g", "T/A.TXT=a", "T/S/B.TXT=b",
                         "T/S/DL->" + cRoot + "/OUT", "T/FL->" + cRoot + "/OUT/F.TXT", "T/S/E/"});
        // Prompts per file make the recycle bin take files one by one.
        for (int i = 0; i < 3; ++i)
            ui.QueueYesNoAllCancel(Answer::Yes); // T, S, E
        for (int i = 0; i < 4; ++i)
            ui.QueueYesNoAllCancel(Answer::Yes); // A, FL, B, DL
        CDeleteOutcome out = Remove("C:\\T", type, true);
        EXPECT_EQ(out.failed, 0u) << (Shown().empty() ? "" : Shown().back());
        EXPECT_EQ(out.deleted, 4u);
        EXPECT_EQ(out.directories, 3u);
        EXPECT_FALSE(Exists("C:\\T"));
        EXPECT_EQ(ReadTree(cRoot + "/OUT"), (Strings{"F.TXT=outside", "SUB/", "SUB/G.TXT=g"}));
        Strings notices = Notices();
        // Children before their directory.
        EXPECT_EQ(notices.back(), "Removed C:\\T");
        std::sort(notices.begin(), notices.end());
        EXPECT_EQ(notices, (Strings{"Removed C:\\T", "Removed C:\\T\\A.TXT", "Removed C:\\T\\FL",
                                    "Removed C:\\T\\S", "Removed C:\\T\\S\\B.TXT",
                                    "Removed C:\\T\\S\\DL", "Removed C:\\T\\S\\E"}));
        if (type == kDeleteRecycle) {
            EXPECT_EQ(Listing(trash + "/files"), (Strings{"A.TXT", "B.TXT", "DL", "FL"}));
        }
    }
}

TEST_F(DeleteTest, RecycledTreeWithoutPromptsIsOneTrashItem) {
    struct Case {
        const char* name;
        bool hasReadOnly;
        Strings trashed;
    } cases[] = {
        {"nothing special: one item", false, {"T"}},
        // The read-only file must still be asked about: file by file.
        {"a read-only file: per file", true, {"A.TXT", "RO.TXT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(trash);
        MakeTree(cRoot, {"T/A.TXT=a", "T/S/RO.TXT=r"});
        if (c.hasReadOnly) {
            ASSERT_TRUE(platform::SetAttributes(Host("C:\\T\\S\\RO.TXT"), platform::kAttrReadOnly));
            ui.QueueYesNoAllCancel(Answer::Yes);
        }
        CDeleteOutcome out = Remove("C:\\T", kDeleteRecycle, false);
        EXPECT_EQ(out.failed, 0u);
        EXPECT_FALSE(Exists("C:\\T"));
        EXPECT_EQ(Listing(trash + "/files"), c.trashed);
        if (!c.hasReadOnly) {
            EXPECT_EQ(ReadTree(trash + "/files/T"), (Strings{"A.TXT=a", "S/", "S/RO.TXT=r"}));
            EXPECT_NE(test::ReadFile(trash + "/info/T.trashinfo").find("Path="), std::string::npos);
        }
    }
}

// Refusals and what is left: a mount point inside the tree, the root and
// the home directory, an unreadable subdirectory, files that vanish.
TEST_F(DeleteTest, TreeRemovalLeavesMountsRefusesRootAndHomeAndGoesOnAfterFailures) {
    // A mount point inside the tree is reported and left with its files.
    MakeTree(cRoot, {"T/A.TXT=a", "T/M/"});
    const bool mounted = MountTmpfs(Host("C:\\T\\M"));
    EXPECT_TRUE(mounted) << "tmpfs could not be mounted: the mount point case is not checked";
    if (mounted) {
        test::WriteFile(Host("C:\\T\\M\\KEEP.TXT"), "k");
        CDeleteOutcome out = Remove("C:\\T");
        EXPECT_EQ(out.failed, 1u);
        EXPECT_EQ(Shown().back(), "The directory 'C:\\T\\M' is on another file system (a mount "
                                  "point) and is left as it is.");
        EXPECT_FALSE(Exists("C:\\T\\A.TXT"));
        EXPECT_EQ(test::ReadFile(Host("C:\\T\\M\\KEEP.TXT")), "k");
    }

    // "/" and the home directory: refused before anything is asked (an
    // unexpected prompt would be declined, so nothing can go).
    test::TempDir home;
    test::WriteFile(home / "PRECIOUS.TXT", "p");
    test::ScopedEnv homeEnv("HOME", home.path());
    ASSERT_EQ(::symlink(home.path().c_str(), (dir / "homelink").c_str()), 0);
    context = ui::OperationContext(
        ui, std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec(
                "C=" + cRoot + ";H=" + home.path() + ";R=/;L=" + (dir / "homelink"))));
    for (const char* path : {"H:\\", "R:\\", "L:\\"}) {
        SCOPED_TRACE(path);
        const size_t before = Shown().size();
        CDeleteOutcome out = Remove(path, kDeleteNormal, true);
        EXPECT_EQ(out.failed, 1u);
        ASSERT_EQ(Shown().size(), before + 1);
        EXPECT_NE(Shown().back().find("is the root of the file system or your home directory"),
                  std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(home / "PRECIOUS.TXT"), "p");
}

TEST_F(DeleteTest, TreeHoldingTheWorkingDirectoryIsRemoved) {
    MakeTree(cRoot, {"T/S/A.TXT=a"});
    test::ScopedWorkingDirectory inside(Host("C:\\T\\S"));
    CDeleteOutcome out = Remove("C:\\T");
    EXPECT_EQ(out.failed, 0u);
    EXPECT_FALSE(Exists("C:\\T"));
}

TEST_F(DeleteTest, UnreadableSubdirectoryIsReportedOnceAndTheRestGoes) {
    MakeTree(cRoot, {"T/A.TXT=a", "T/BAD/X.TXT=x", "T/GOOD/Y.TXT=y"});
    // The first List is the tree itself, the second BAD (names in order).
    platform::fault::Arm(Op::List, 2, EACCES);
    CDeleteOutcome out = Remove("C:\\T");
    EXPECT_EQ(out.failed, 1u);
    EXPECT_EQ(Shown(), Strings{"Unable to remove directory 'C:\\T\\BAD'!\n\n05h - Access denied."});
    EXPECT_EQ(ReadTree(Host("C:\\T")), (Strings{"BAD/", "BAD/X.TXT=x"}));
}

TEST_F(DeleteTest, FileVanishingAtDeletionCountsAsDeleted) {
    MakeTree(cRoot, {"T/A.TXT=a", "T/B.TXT=b"});
    // Another program removes B.TXT while the driver deletes A.TXT (after
    // both were listed).
    platform::fault::ArmStall(Op::Unlink, 1);
    std::thread other([&] {
        if (platform::fault::WaitForStall(10000))
            ::unlink(Host("C:\\T\\B.TXT").c_str());
        platform::fault::ReleaseStall();
    });
    CDeleteOutcome out = Remove("C:\\T");
    other.join();
    EXPECT_EQ(out.failed, 0u);
    EXPECT_EQ(out.deleted, 2u);
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Exists("C:\\T"));
}

// Read-only directories are emptied (their owner gets write permission
// first); what still cannot be removed is reported. Run in a child process
// without the capabilities that let root ignore permissions.
TEST_F(DeleteTest, ReadOnlyDirectoriesAreEmptiedAndWhatStaysIsReported) {
    const uid_t nobody = 65534;
    MakeTree(cRoot, {"T/RO/A.TXT=a", "T/RO/SUB/B.TXT=b", "T/OTHER/C.TXT=c"});
    ASSERT_EQ(::chown(Host("C:\\T\\OTHER").c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chmod(Host("C:\\T\\RO\\SUB").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(Host("C:\\T\\RO").c_str(), 0555), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        if (::syscall(SYS_capget, &header, data) != 0)
            ::_exit(10);
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            data[0].effective &= ~(1u << cap);
        if (::syscall(SYS_capset, &header, data) != 0)
            ::_exit(11);
        ui::ScriptedUserInterface childUi;
        ui::OperationContext childContext(childUi, context.DriveSnapshot());
        CRemoveDirectoryParameters p;
        p.directory = "C:\\T";
        p.promptFirst = false;
        CDeleteOutcome out = RunRemoveDirectory(p, childContext);
        int result = 0;
        if (Exists("C:\\T\\RO"))
            result |= 1; // the read-only directories must go
        if (!Exists("C:\\T\\OTHER\\C.TXT"))
            result |= 2;
        if (out.failed != 1 || childUi.Texts() != Strings{"Unable to delete file "
                                                          "'C:\\T\\OTHER\\C.TXT'!\n\n05h - "
                                                          "Access denied."})
            result |= 4;
        ::_exit(result);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(DeleteTest, ZipMembersAreDeletedInOneCall) {
    MakeTree(cRoot, {"IN/A.TXT=a", "IN/B.TXT=b", "IN/S/C.TXT=c", "IN/S/D.TXT=d"});
    {
        zip::CZipFileOperation op(context);
        ASSERT_EQ(op.OpenOrCreate("C:\\ARC.ZIP", true), zip::kOpened);
        ASSERT_TRUE(op.AddFiles(zip::kZipAdd, "C:\\IN\\*.*", zip::kStoreRelativePaths, false, true))
            << op.ZipErrorText();
    }
    auto members = [&]() {
        zip::CZipFileOperation op(context);
        std::vector<zip::ZipMemberEntry> list;
        op.ReadDirectory("C:\\ARC.ZIP", true, &list);
        Strings names;
        for (const auto& m : list)
            names.push_back(zip::ZipMemberEntry::PathName(m.StoredName()));
        std::sort(names.begin(), names.end());
        return names;
    };
    ASSERT_EQ(members(), (Strings{"A.TXT", "B.TXT", "S\\C.TXT", "S\\D.TXT"}));
    // No to B: A goes alone; a name not in the archive is no error.
    ui.QueueYesNoAllCancel(Answer::Yes);
    ui.QueueYesNoAllCancel(Answer::No);
    CDeleteOutcome out = Delete("C:\\ARC.ZIP", {"a.txt", "B.TXT", "NONE.TXT"}, kDeleteNormal, true);
    EXPECT_EQ(out.deleted, 1u);
    EXPECT_EQ(members(), (Strings{"B.TXT", "S\\C.TXT", "S\\D.TXT"}));
    EXPECT_EQ(Notices(), Strings{"Removed C:\\ARC.ZIP\\A.TXT"});
    // A directory inside the archive: every member below it.
    out = Remove("C:\\ARC.ZIP\\S");
    EXPECT_EQ(out.deleted, 2u);
    EXPECT_EQ(members(), Strings{"B.TXT"});
}

} // namespace
} // namespace vorlane::fileops::testing
