// Copy, move and delete over a list of files from many directories: the
// split by directory, every file reaching the one target, a cancel ending
// the whole list, and the drive letters the job claims.
#include "CopyTestSupport.h"

#include "fileops/FileListRun.h"

namespace vorlane::fileops::testing {
namespace {

TEST(FileListSplit, GroupsByDirectoryInFirstSeenOrder) {
    struct Case {
        const char* name;
        Strings paths;
        std::vector<std::pair<std::string, Strings>> groups;
    };
    const Case cases[] = {
        {"two directories interleaved",
         {"C:\\A\\X.TXT", "C:\\B\\Y.TXT", "C:\\A\\Z.TXT"},
         {{"C:\\A", {"X.TXT", "Z.TXT"}}, {"C:\\B", {"Y.TXT"}}}},
        {"a file at the root keeps the root's backslash",
         {"D:\\ROOT.TXT", "D:\\SUB\\F"},
         {{"D:\\", {"ROOT.TXT"}}, {"D:\\SUB", {"F"}}}},
        {"the same file in two spellings is taken once; directories match without case",
         {"C:\\Docs\\a.txt", "C:\\DOCS\\A.TXT", "c:\\docs\\b.txt"},
         {{"C:\\Docs", {"a.txt", "b.txt"}}}},
        {"a path without a directory or a name is left out",
         {"NAME.TXT", "C:\\DIR\\", "", "C:\\DIR\\OK"},
         {{"C:\\DIR", {"OK"}}}},
        {"names outside ASCII keep their bytes and their case",
         {"C:\\Ä\\É.TXT", "C:\\ä\\é.txt"},
         {{"C:\\Ä", {"É.TXT"}}, {"C:\\ä", {"é.txt"}}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, Strings>> got;
        for (const DirectoryFiles& g : SplitByDirectory(c.paths))
            got.emplace_back(g.directory, g.files);
        EXPECT_EQ(got, c.groups) << c.name;
    }
}

class FileListTest : public CopyTest {
  protected:
    CCopyOutcome CopyList(bool move, const Strings& paths, const std::string& target,
                          uint32_t flags = 0) {
        CCopyParameters p;
        p.operation = move ? kMoveFiles : kCopyFiles;
        p.flags = flags;
        p.targetPath = target;
        CFileListCopyJob job(p, paths);
        ui::OperationContext runContext = context.WithNotices(*recorder);
        ui::RunJobNow(job, runContext);
        return job.Outcome();
    }
};

// Files of three directories on two drives all land in the target; a move
// takes them away from every directory, and each change is announced.
TEST_F(FileListTest, CopyAndMoveGatherFilesFromManyDirectories) {
    for (bool move : {false, true}) {
        std::filesystem::remove_all(cRoot);
        std::filesystem::remove_all(dRoot);
        MakeTree(cRoot, {"A/X=x", "A/KEEP=k", "B/DEEP/Y=y"});
        MakeTree(dRoot, {"Z=z", "OUT/"});
        ForgetNotices();
        const CCopyOutcome out = CopyList(move, {"C:\\A\\X", "C:\\B\\DEEP\\Y", "D:\\Z"}, "D:\\OUT");
        EXPECT_TRUE(out.completed) << move;
        EXPECT_EQ(out.done, 3) << move;
        EXPECT_EQ(ReadTree(dRoot + "/OUT"), (Strings{"X=x", "Y=y", "Z=z"})) << move;
        const Strings left =
            move ? Strings{"A/", "A/KEEP=k", "B/", "B/DEEP/"}
                 : Strings{"A/", "A/KEEP=k", "A/X=x", "B/", "B/DEEP/", "B/DEEP/Y=y"};
        EXPECT_EQ(ReadTree(cRoot), left) << move;
        EXPECT_EQ(std::filesystem::exists(dRoot + "/Z"), !move);
        EXPECT_FALSE(Notices().empty()) << move;
    }
}

// Two found files of one name meet in the target under the overwrite
// rules; Cancel at the question ends the whole list, not one directory.
TEST_F(FileListTest, SameNamesAskBeforeOverwriteAndCancelEndsTheList) {
    MakeTree(cRoot, {"A/F=first", "B/F=second", "C/G=never"});
    MakeTree(dRoot, {"OUT/"});
    ui.QueueYesNoAllCancel(ui::Answer::No);
    CCopyOutcome out =
        CopyList(false, {"C:\\A\\F", "C:\\B\\F"}, "D:\\OUT", kCopyPromptBeforeOverwrite);
    EXPECT_EQ(ReadTree(dRoot + "/OUT"), (Strings{"F=first"}));
    EXPECT_EQ(out.skipped, 1);

    ui.QueueYesNoAllCancel(ui::Answer::Cancel);
    out = CopyList(false, {"C:\\B\\F", "C:\\C\\G"}, "D:\\OUT", kCopyPromptBeforeOverwrite);
    EXPECT_TRUE(out.cancelled);
    EXPECT_FALSE(out.completed);
    EXPECT_EQ(ReadTree(dRoot + "/OUT"), (Strings{"F=first"}));
    EXPECT_TRUE(ui.AllAnswersUsed());
}

// Yes To All at the first overwrite question answers for every directory
// of the list that follows; a plain Yes answers for its file alone.
TEST_F(FileListTest, YesToAllHoldsForTheWholeList) {
    struct Case {
        const char* name;
        std::vector<ui::Answer> answers;
        Strings out;
    };
    const Case cases[] = {
        {"Yes To All once", {ui::Answer::YesToAll}, {"F=a", "G=b", "H=c"}},
        {"Yes, then Yes To All", {ui::Answer::Yes, ui::Answer::YesToAll}, {"F=a", "G=b", "H=c"}},
        {"No, then Yes To All", {ui::Answer::No, ui::Answer::YesToAll}, {"F=old", "G=b", "H=c"}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(cRoot);
        std::filesystem::remove_all(dRoot);
        MakeTree(cRoot, {"A/F=a", "B/G=b", "C/H=c"});
        MakeTree(dRoot, {"OUT/F=old", "OUT/G=old", "OUT/H=old"});
        for (ui::Answer answer : c.answers)
            ui.QueueYesNoAllCancel(answer);
        const CCopyOutcome out = CopyList(false, {"C:\\A\\F", "C:\\B\\G", "C:\\C\\H"}, "D:\\OUT",
                                          kCopyPromptBeforeOverwrite);
        EXPECT_TRUE(out.completed) << c.name;
        EXPECT_EQ(ReadTree(dRoot + "/OUT"), c.out) << c.name;
        EXPECT_TRUE(ui.AllAnswersUsed()) << c.name;
    }
}

// A file whose own directory is the target stays as it is (never copied
// onto itself) and is counted as skipped, with a word to the user; the
// files of the other directories go on to the target.
TEST_F(FileListTest, FilesAlreadyInTheTargetAreSkippedIntact) {
    for (bool move : {false, true}) {
        std::filesystem::remove_all(cRoot);
        MakeTree(cRoot, {"R/A/X=x", "R/A/W=w", "R/B/Y=y"});
        const size_t shownBefore = Shown().size();
        const CCopyOutcome out =
            CopyList(move, {"C:\\R\\A\\X", "C:\\R\\B\\Y", "C:\\R\\A\\W"}, "c:\\r\\a");
        EXPECT_TRUE(out.completed) << move;
        EXPECT_EQ(out.done, 1) << move;
        EXPECT_EQ(out.skipped, 2) << move;
        EXPECT_EQ(out.failed, 0) << move;
        EXPECT_EQ(ReadTree(cRoot + "/R/A"), (Strings{"W=w", "X=x", "Y=y"})) << move;
        EXPECT_EQ(std::filesystem::exists(cRoot + "/R/B/Y"), !move);
        ASSERT_EQ(Shown().size(), shownBefore + 1) << move;
        EXPECT_NE(Shown().back().find("C:\\R\\A"), std::string::npos) << Shown().back();
    }
}

// The checks of a list's dialog look at each directory of the list, not
// at the directory the files were found in.
TEST_F(FileListTest, ListValidationComparesTheTargetWithEachDirectory) {
    MakeTree(cRoot, {"R/A/X=x", "R/B/Y=y", "R/Z=z"});
    const std::string same = "The source and target paths must be different!";
    struct Case {
        const char* name;
        Strings paths;
        std::string target;
        bool inDialog;
        std::string refusal;
    };
    const Case cases[] = {
        {"the root the files lie below", {"C:\\R\\A\\X", "C:\\R\\B\\Y"}, "C:\\R", true, ""},
        {"one directory of several", {"C:\\R\\A\\X", "C:\\R\\B\\Y"}, "C:\\R\\A", true, ""},
        {"every file's own directory", {"C:\\R\\A\\X"}, "c:\\r\\a", true, same},
        {"every file's directory by another name", {"C:\\R\\A\\X"}, "E:\\LINK", true, same},
        {"no target", {"C:\\R\\A\\X"}, "  ", true, "A target path must be entered!"},
        {"no files in the dialog",
         {},
         "D:\\",
         true,
         "The selected file group does not have any files!"},
        {"no files at the start of a run",
         {},
         "D:\\",
         false,
         "There are no files in the selected group to copy/move!"},
    };
    const ui::OperationContext withE = ContextWithDriveE();
    std::filesystem::create_directory_symlink(cRoot + "/R/A", dir / "e/LINK");
    for (const Case& c : cases) {
        CCopyParameters p;
        p.files = c.paths;
        p.targetPath = c.target;
        EXPECT_EQ(ValidateListCopy(p, withE.Drives(), c.inDialog), c.refusal) << c.name;
    }
}

// A list cancelled before it starts does nothing and says so.
TEST_F(FileListTest, CancelledBeforeStartTouchesNothing) {
    MakeTree(cRoot, {"A/X=x"});
    MakeTree(dRoot, {"OUT/"});
    CCopyParameters p;
    p.operation = kMoveFiles;
    p.targetPath = "D:\\OUT";
    CFileListCopyJob job(p, {"C:\\A\\X"});
    ui::OperationContext runContext = context.WithOwnCancelFlag();
    runContext.CancelFlag()->store(true);
    const ui::JobResult result = job.Run(runContext);
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(ReadTree(cRoot), (Strings{"A/", "A/X=x"}));
    EXPECT_EQ(ReadTree(dRoot), (Strings{"OUT/"}));
}

TEST_F(FileListTest, DeleteRemovesEveryListedFileAndNothingElse) {
    MakeTree(cRoot, {"A/X=x", "A/KEEP=k", "B/Y=y"});
    MakeTree(dRoot, {"Z=z"});
    CDeleteParameters p;
    p.promptFirst = false;
    CFileListDeleteJob job(p, {"C:\\A\\X", "C:\\B\\Y", "D:\\Z", "C:\\A\\GONE"});
    ui::OperationContext runContext = context.WithNotices(*recorder);
    ui::RunJobNow(job, runContext);
    EXPECT_EQ(job.Outcome().deleted, 4u); // a vanished file counts as deleted
    EXPECT_EQ(ReadTree(cRoot), (Strings{"A/", "A/KEEP=k", "B/"}));
    EXPECT_EQ(ReadTree(dRoot), Strings{});
}

TEST(FileListJobs, ClaimEveryDriveOfTheListAndTheTarget) {
    CCopyParameters p;
    p.targetPath = "E:\\OUT";
    EXPECT_EQ(CFileListCopyJob(p, {"D:\\A\\X", "C:\\Y", "D:\\Z"}).DriveLetters(), "DCE");
    EXPECT_EQ(CFileListDeleteJob(CDeleteParameters(), {"D:\\A\\X", "C:\\Y"}).DriveLetters(), "DC");
    // A list is files, never a tree, whatever kind the dialog held.
    p.operation = kMoveDirectory;
    EXPECT_EQ(CFileListCopyJob(p, {"C:\\Y"}).Title(), CopyCaption(kMoveFiles));
}

} // namespace
} // namespace vorlane::fileops::testing
