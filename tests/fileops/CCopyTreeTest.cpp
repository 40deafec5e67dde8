// The copy and move driver on directory trees, and the sound behaviour of
// every copy and move: what lands where, links never followed, names taken
// exactly, nothing replaced or removed that the rules do not allow.
#include "CopyTestSupport.h"

#include <map>
#include <sys/stat.h>

namespace vorlane::fileops::testing {
namespace {

using Op = platform::fault::Op;

ino_t InodeOf(const std::string& host) {
    struct stat st;
    return ::lstat(host.c_str(), &st) == 0 ? st.st_ino : 0;
}

const Strings kTree = {
    "A/ONE.TXT=1",    "A/SUB/TWO.TXT=2",        "A/SUB/DEEP/THREE=3", "A/SUB/LINK->TWO.TXT",
    "A/DIRLINK->SUB", "A/BAD->/nowhere/at/all", "A/EMPTY/",           "A/PACK.ZIP=zipbytes"};
const Strings kCopied = {"A/",
                         "A/BAD->/nowhere/at/all",
                         "A/DIRLINK->SUB",
                         "A/EMPTY/",
                         "A/ONE.TXT=1",
                         "A/PACK.ZIP=zipbytes",
                         "A/SUB/",
                         "A/SUB/DEEP/",
                         "A/SUB/DEEP/THREE=3",
                         "A/SUB/LINK->TWO.TXT",
                         "A/SUB/TWO.TXT=2"};

// C:\A copied to D:\B lands in D:\B\A; parents come before children;
// links are copied as links and a link to a directory is one item; a zip
// file is one file; after a move the source directories go, deepest first.
TEST_F(CopyTest, TreeLandsBelowTheTargetParentsFirstLinksAsLinks) {
    for (int kind : {int(kCopyDirectory), int(kMoveDirectory)}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(cRoot + "/A");
        std::filesystem::remove_all(dRoot + "/B");
        ui.Reset();
        ForgetNotices();
        MakeTree(cRoot, kTree);
        MakeTree(dRoot, {"B/"});
        ui.QueueYesNoAllCancel(ui::Answer::Yes);      // D:\B\A
        ui.QueueYesNoAllCancel(ui::Answer::YesToAll); // D:\B\A\EMPTY, then no more
        CCopyOutcome out = Run(Params(kind, "C:\\A", {}, "D:\\B", 0));
        EXPECT_EQ(Shown(), (Strings{"Would you like to create the directory\n'D:\\B\\A'?",
                                    "Would you like to create the directory\n'D:\\B\\A\\EMPTY'?"}));
        EXPECT_TRUE(out.completed);
        EXPECT_EQ(out.done, 7);
        EXPECT_EQ(out.failed, 0);
        Strings landed = ReadTree(dRoot + "/B");
        EXPECT_EQ(landed, kCopied);
        const bool move = kind == kMoveDirectory;
        EXPECT_EQ(ReadTree(cRoot), move ? Strings{} : ReadTree(cRoot)); // source gone after a move
        if (!move) {
            EXPECT_EQ(Notices(),
                      (Strings{"Added D:\\B\\A", "Added D:\\B\\A\\BAD", "Added D:\\B\\A\\DIRLINK",
                               "Added D:\\B\\A\\ONE.TXT", "Added D:\\B\\A\\PACK.ZIP",
                               "Added D:\\B\\A\\EMPTY", "Added D:\\B\\A\\SUB",
                               "Added D:\\B\\A\\SUB\\LINK", "Added D:\\B\\A\\SUB\\TWO.TXT",
                               "Added D:\\B\\A\\SUB\\DEEP", "Added D:\\B\\A\\SUB\\DEEP\\THREE"}));
            // A copied file's notice names its source (its thumbnail is
            // copied with it); a made directory's names none.
            for (const ui::ChangeNotice& n : recorder->Notices()) {
                if (n.path == "D:\\B\\A\\SUB\\TWO.TXT") {
                    EXPECT_EQ(n.copiedFrom, "C:\\A\\SUB\\TWO.TXT");
                }
                if (n.directory) {
                    EXPECT_EQ(n.copiedFrom, "") << n.path;
                }
            }
            EXPECT_TRUE(std::find(StatusTexts().begin(), StatusTexts().end(),
                                  "Creating zip directory 'D:\\B\\A\\PACK.ZIP'...") !=
                        StatusTexts().end());
        } else {
            Strings texts = StatusTexts();
            ASSERT_GE(texts.size(), 4u);
            Strings removing(texts.end() - 4, texts.end());
            EXPECT_EQ(removing, (Strings{"Removing directory 'C:\\A\\SUB\\DEEP'...",
                                         "Removing directory 'C:\\A\\SUB'...",
                                         "Removing directory 'C:\\A\\EMPTY'...",
                                         "Removing directory 'C:\\A'..."}));
            Strings notices = Notices();
            EXPECT_EQ(notices.back(), "Removed C:\\A");
        }
    }
}

// A directory that keeps a skipped file stays after a move, silently; a
// zip file whose name a directory holds on the target is refused.
TEST_F(CopyTest, MoveLeavesDirectoriesThatStillHoldFiles) {
    MakeTree(cRoot, {"A/KEEP/OLD.TXT=new", "A/GO/X=x", "A/Z.ZIP=z"});
    MakeTree(dRoot, {"A/KEEP/OLD.TXT=newer", "A/Z.ZIP/"});
    ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
    platform::FileTime early{1000, 0};
    platform::SetFileTimes(Host("C:\\A\\KEEP\\OLD.TXT"), nullptr, nullptr, &early);
    CCopyOutcome out = Run(Params(kMoveDirectory, "C:\\A", {}, "D:\\", kCopyOnlyIfNewer));
    EXPECT_EQ(out.done, 1);
    EXPECT_EQ(out.skipped, 1);
    EXPECT_EQ(out.failed, 1);
    EXPECT_EQ(Shown(), (Strings{"Cannot copy zip directory 'C:\\A\\Z.ZIP' to 'D:\\A\\Z.ZIP'. A DOS "
                                "directory by the same name already exists!",
                                "Would you like to create the directory\n'D:\\A\\GO'?"}));
    EXPECT_EQ(ReadTree(cRoot), (Strings{"A/", "A/KEEP/", "A/KEEP/OLD.TXT=new", "A/Z.ZIP=z"}));
    EXPECT_EQ(ReadTree(dRoot),
              (Strings{"A/", "A/GO/", "A/GO/X=x", "A/KEEP/", "A/KEEP/OLD.TXT=newer", "A/Z.ZIP/"}));
}

// A directory move within one file system is one rename of the root,
// made before the tree is listed; it must leave what the file-by-file
// move leaves (D: here is a file
// system of its own, so the move there goes file by file).
TEST_F(CopyTest, WholeTreeRenameGivesWhatFileByFileGives) {
    if (!MountTmpfs(dRoot))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string eRoot = dir / "e";
    ui::OperationContext three = ContextWithDriveE();
    std::map<std::string, Strings> results;
    for (const char* target : {"E:\\", "D:\\"}) {
        SCOPED_TRACE(target);
        std::filesystem::remove_all(cRoot + "/A");
        MakeTree(cRoot, kTree);
        ino_t before = InodeOf(cRoot + "/A");
        ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
        ui::ChangeRecorder notices;
        ui::OperationContext run = three.WithNotices(notices);
        CCopyOutcome out = RunCopy(Params(kMoveDirectory, "C:\\A", {}, target, 0), run);
        EXPECT_EQ(out.done, target[0] == 'E' ? 1 : 7); // one rename counts once
        EXPECT_EQ(ReadTree(cRoot), Strings{});
        std::string host = (target[0] == 'E' ? eRoot : dRoot) + "/A";
        results[target] = ReadTree(host);
        if (target[0] == 'E') {
            EXPECT_EQ(InodeOf(host), before); // one rename
            EXPECT_EQ(notices.Descriptions(), Strings{"Renamed C:\\A -> E:\\A"});
        }
    }
    EXPECT_EQ(results["E:\\"], results["D:\\"]);
    EXPECT_EQ(results["D:\\"].size(), kCopied.size() - 1);
}

// Names made from source names are looked up exactly on the target: two
// names that differ in case are two files, and a file never replaces a
// directory (nor a directory a file).
TEST_F(CopyTest, TargetNamesAreTakenExactlyAndKindsNeverReplaced) {
    struct Case {
        const char* name;
        int kind;
        Strings source, target; // below C:\S and D:\T
        Strings files;
        int done, failed;
        Strings after; // D:\T
        const char* shown;
    } cases[] = {
        {"a.txt beside A.TXT",
         kCopyFiles,
         {"a.txt=lower"},
         {"A.TXT=upper"},
         {"a.txt"},
         1,
         0,
         {"A.TXT=upper", "a.txt=lower"},
         nullptr},
        {"a.txt then A.txt moved",
         kMoveFiles,
         {"a.txt=lower", "A.txt=upper"},
         {},
         {"a.txt", "A.txt"},
         2,
         0,
         {"A.txt=upper", "a.txt=lower"},
         nullptr},
        {"file onto a directory",
         kCopyFiles,
         {"X=file"},
         {"X/IN=keep"},
         {"X"},
         0,
         1,
         {"X/", "X/IN=keep"},
         "Unable to copy file 'C:\\S\\X' to 'D:\\T\\X'.\n\n05h - Access denied."},
        {"file moved onto a directory",
         kMoveFiles,
         {"X=file"},
         {"X/IN=keep"},
         {"X"},
         0,
         1,
         {"X/", "X/IN=keep"},
         "Unable to move file 'C:\\S\\X' to 'D:\\T\\X'.\n\n05h - Access denied."},
        {"directory onto a file",
         kCopyDirectory,
         {"X/IN=dir"},
         {"S/X=keep"},
         {},
         0,
         1,
         {"S/", "S/X=keep"},
         "Unable to create directory 'D:\\T\\S\\X'.\n\n50h - File exists."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(cRoot + "/S");
        std::filesystem::remove_all(dRoot + "/T");
        ui.Reset();
        MakeTree(cRoot + "/S", c.source);
        MakeTree(dRoot + "/T", c.target);
        ::mkdir((dRoot + "/T").c_str(), 0755);
        CCopyOutcome out = Run(Params(c.kind, "C:\\S", c.files, "D:\\T", 0));
        EXPECT_EQ(out.done, c.done);
        EXPECT_EQ(out.failed, c.failed);
        EXPECT_EQ(ReadTree(dRoot + "/T"), c.after);
        EXPECT_EQ(Shown(), c.shown ? Strings{c.shown} : Strings{});
    }
}

// Names DOS cannot hold, bytes that are not UTF-8, and paths close to the
// longest the host allows survive a copy and a move exactly.
TEST_F(CopyTest, UnusualNamesAndLongPathsAreCopiedExactly) {
    std::string deep = "A";
    while (cRoot.size() + deep.size() + 201 < 4000) // then "/LAST.TXT"
        deep += "/" + std::string(200, 'd');
    const Strings tree = {"A/we\\ird:*?\"<>|.txt=odd", "A/caf\xe9-latin1=bytes",
                          "A/ok-\xc3\xa9t\xc3\xa9=utf8", deep + "/LAST.TXT=deep"};
    for (int kind : {int(kCopyDirectory), int(kMoveDirectory)}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(cRoot + "/A");
        std::filesystem::remove_all(dRoot + "/A");
        MakeTree(cRoot, tree);
        Strings before = ReadTree(cRoot);
        ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
        CCopyOutcome out = Run(Params(kind, "C:\\A", {}, "D:\\", 0));
        EXPECT_EQ(out.failed, 0);
        EXPECT_EQ(out.done, kind == kMoveDirectory ? 1 : 4); // a move is one rename here
        EXPECT_TRUE(ReadTree(dRoot) == before);
        EXPECT_EQ(ReadTree(cRoot).empty(), kind == kMoveDirectory);
    }
}

// A move: one rename on one file system, never a delete of the old
// target first (a second name of the old target keeps its bytes); across
// file systems the copies are flushed (once for a batch) before the
// sources go, and a flush that fails keeps the source beside its complete
// copy; a rename refused as a move across devices falls back to copy,
// flush, delete.
TEST_F(CopyTest, MovesReplaceByRenameAndNeverLoseTheSource) {
    if (!MountTmpfs(dRoot + "/OTHER"))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Case {
        const char* name;
        const char* target;
        std::function<void()> arrange;
        bool moved;
        bool renamed; // the source's inode lives on
        int fsyncs;   // at least
        const char* targetAfter;
    } cases[] = {
        {"one file system", "D:\\", [] {}, true, true, 0, "new"},
        {"another file system", "D:\\OTHER", [] {}, true, false, 1, "new"},
        {"rename refused across devices", "D:\\",
         [] { platform::fault::Arm(Op::Rename, 1, EXDEV); }, true, false, 1, "new"},
        {"flush fails", "D:\\OTHER", [] { platform::fault::Arm(Op::Fsync, 1, EIO); }, false, false,
         1, "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.Reset();
        MakeTree(cRoot, {"S/F.TXT=new"});
        std::string targetHost = c.target[3] ? dRoot + "/OTHER" : dRoot;
        test::WriteFile(targetHost + "/F.TXT", "old");
        ::unlink((targetHost + "/SECOND").c_str());
        ASSERT_EQ(::link((targetHost + "/F.TXT").c_str(), (targetHost + "/SECOND").c_str()), 0);
        ino_t source = InodeOf(cRoot + "/S/F.TXT");
        platform::fault::Reset();
        c.arrange();
        CCopyOutcome out = Run(Params(kMoveFiles, "C:\\S", {"F.TXT"}, c.target, 0));
        EXPECT_GE(platform::fault::Calls(Op::Fsync), c.fsyncs);
        platform::fault::Reset();
        EXPECT_EQ(out.done, c.moved ? 1 : 0);
        EXPECT_EQ(test::ReadFile(targetHost + "/SECOND"), "old");
        EXPECT_EQ(test::ReadFile(targetHost + "/F.TXT"), c.targetAfter);
        EXPECT_EQ(Exists("C:\\S\\F.TXT"), !c.moved);
        if (c.renamed) {
            EXPECT_EQ(InodeOf(targetHost + "/F.TXT"), source);
        }
        if (!c.moved) {
            EXPECT_EQ(Shown(), Strings{"Unable to move file 'C:\\S\\F.TXT' to 'D:\\OTHER\\F.TXT'."
                                       "\n\n1Fh - General failure."});
        }
    }
}

} // namespace
} // namespace vorlane::fileops::testing
