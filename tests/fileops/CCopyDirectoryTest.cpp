// The copy and move driver on file groups: its settings, its checks in
// their order, the per-file decision, the missing target directory, the
// status window, the failure texts and the notices.
#include "CopyTestSupport.h"

#include "descriptions/C4DosDescriptionDatabase.h"

#include <map>

namespace vorlane::fileops::testing {
namespace {

using Op = platform::fault::Op;

TEST(CopySettings, ReadDefaultsOutOfRangeValuesAndWriteBack) {
    struct Case {
        const char* name;
        std::map<std::string, int> stored;
        uint32_t flags;
        int factor;
        int pathMode;
    } cases[] = {
        {"nothing stored", {}, kCopyOnlyIfNewer | kCopyPromptBeforeOverwrite, 5, 0},
        {"every key",
         {{"Only Copy If Newer", 0},
          {"Only Copy If Destination Exists", 1},
          {"Prompt Before Overwrite", 0},
          {"Use 8.3 filename format", 1},
          {"Compression Factor", 2},
          {"Zip Path Mode", 2}},
         kCopyOnlyIfDestinationExists | kCopyZip83Names,
         2,
         2},
        {"out of range",
         {{"Only Copy If Newer", 7}, {"Compression Factor", 4}, {"Zip Path Mode", 3}},
         kCopyOnlyIfNewer | kCopyPromptBeforeOverwrite,
         5,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto read = [&](const std::string& section, const std::string& key, int fallback) {
            EXPECT_EQ(section, "File Copy");
            auto it = c.stored.find(key);
            return it == c.stored.end() ? fallback : it->second;
        };
        CCopyParameters p = ReadCopySettings(read);
        EXPECT_EQ(p.flags, c.flags);
        EXPECT_EQ(p.compressionFactor, c.factor);
        EXPECT_EQ(p.zipPathMode, c.pathMode);
        // What is written reads back the same.
        std::map<std::string, int> written;
        WriteCopySettings(p, [&](const std::string&, const std::string& key,
                                 const std::string& value) { written[key] = std::stoi(value); });
        EXPECT_EQ(written.size(), 6u);
        auto reread = [&](const std::string&, const std::string& key, int) { return written[key]; };
        CCopyParameters again = ReadCopySettings(reread);
        EXPECT_EQ(again.flags, p.flags);
        EXPECT_EQ(again.compressionFactor, p.compressionFactor);
        EXPECT_EQ(again.zipPathMode, p.zipPathMode);
    }
    EXPECT_EQ(CompressionFactorIndex(9), 0);
    EXPECT_EQ(CompressionFactorIndex(0), 4);
    EXPECT_EQ(CompressionFactorIndex(7), 1);
}

TEST_F(CopyTest, ChecksComeInTheirOrderWithTheirTexts) {
    MakeTree(cRoot, {"SRC/SUB/F.TXT=f", "SRC/G.TXT=g", "FILE.TXT=x", "ARC.ZIP=not read here",
                     "LINK->SRC", "OTHER/"});
    const int F = kCopyFiles, D = kCopyDirectory;
    struct Case {
        int kind;
        const char* source;
        const char* target;
        bool inDialog;
        Strings files;
        const char* refusal;
    } cases[] = {
        {F, "C:\\SRC", "", true, {"G.TXT"}, "A target path must be entered!"},
        {F, "C:\\SRC", "   ", true, {}, "A target path must be entered!"},
        {F, "C:\\SRC", "Q:\\X", true, {}, "'Q:\\X' is not a valid path!"},
        {F, "C:\\SRC", "C:\\A*B", true, {}, "'C:\\A*B' is not a valid path!"},
        {F, "C:\\SRC", "C:\\FILE.TXT", true, {}, "'C:\\FILE.TXT' is not a valid path!"},
        {F, "C:\\SRC", "C:\\FILE.TXT\\SUB", true, {}, "'C:\\FILE.TXT\\SUB' is not a valid path!"},
        {F, "C:\\SRC", "C:SRC", true, {}, "'C:SRC' is not a valid path!"},
        {F, "C:\\SRC", "c:\\src", true, {}, "The source and target paths must be different!"},
        {F, "C:\\SRC", "C:\\LINK", true, {}, "The source and target paths must be different!"},
        {D,
         "C:\\SRC",
         "C:\\SRC\\SUB",
         true,
         {},
         "The target path cannot be a child of the source directory!"},
        {D,
         "C:\\SRC",
         "c:\\src\\new\\deeper",
         true,
         {},
         "The target path cannot be a child of the source directory!"},
        {D,
         "C:\\SRC",
         "C:\\LINK\\NEW",
         true,
         {},
         "The target path cannot be a child of the source directory!"},
        {D,
         "C:\\SRC\\SUB",
         "C:\\SRC",
         true,
         {},
         "The target path cannot be the parent of the source directory!"},
        {D,
         "C:\\SRC\\SUB",
         "C:\\LINK",
         true,
         {},
         "The target path cannot be the parent of the source directory!"},
        {F, "C:\\SRC", "D:\\X", true, {}, "The selected file group does not have any files!"},
        {F,
         "C:\\SRC",
         "D:\\X",
         false,
         {},
         "There are no files in the selected group to copy/move!"},
        // Accepted: a directory, a path not made yet, a path in a zip file.
        {D, "C:\\SRC", "C:\\OTHER", true, {}, ""},
        {D, "C:\\SRC", "D:\\NEW\\DIR", true, {}, ""},
        {D, "C:\\SRC\\SUB", "C:\\ARC.ZIP\\IN\\HERE", true, {}, ""},
        {F, "C:\\SRC", "C:\\ARC.ZIP", true, {"G.TXT"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " to " + c.target);
        EXPECT_EQ(
            ValidateCopy(Params(c.kind, c.source, c.files, c.target), context.Drives(), c.inDialog),
            c.refusal);
    }
}

// Into itself through a bind mount of the source: the path text says
// nothing, device and inode do.
TEST_F(CopyTest, ATreeIsNotCopiedIntoItselfThroughABindMount) {
    MakeTree(cRoot, {"SRC/F.TXT=f", "MNT/"});
    if (::mount(Host("C:\\SRC").c_str(), Host("C:\\MNT").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "cannot bind mount here";
    EXPECT_EQ(
        ValidateCopy(Params(kCopyDirectory, "C:\\SRC", {}, "C:\\MNT\\X"), context.Drives(), true),
        "The target path cannot be a child of the source directory!");
    ::umount2(Host("C:\\MNT").c_str(), MNT_DETACH);
}

TEST_F(CopyTest, ARefusedRunOpensNoStatusWindowAndTouchesNothing) {
    MakeTree(cRoot, {"SRC/A.TXT=a"});
    for (auto [kind, text] :
         {std::pair{7, "Unknown operation specified! This error should never be displayed!"},
          std::pair{int(kCopyFiles), "There are no files in the selected group to copy/move!"}}) {
        ui.Reset();
        CCopyOutcome out = Run(Params(kind, "C:\\SRC", {}, "D:\\"));
        EXPECT_FALSE(out.completed);
        EXPECT_EQ(Shown(), Strings{text});
        EXPECT_TRUE(ui.StatusWindows().empty());
    }
    EXPECT_EQ(ReadTree(dRoot), Strings{});
}

// The decision for one file whose target exists (or not), by the flags
// and the answer to the overwrite question.
TEST_F(CopyTest, PerFileDecisionFollowsTheFlagsInTheirOrder) {
    const platform::FileTime older{1000000000, 0}, newer{1100000000, 0};
    enum Target { kNone, kOlder, kSame, kNewer };
    const uint32_t N = kCopyOnlyIfNewer, E = kCopyOnlyIfDestinationExists,
                   P = kCopyPromptBeforeOverwrite;
    struct Case {
        uint32_t flags;
        Target target;
        std::optional<ui::Answer> answer; // the overwrite question, when asked
        bool copied;
    } cases[] = {
        {N | P, kNone, {}, true},
        {N | P, kSame, {}, false},
        {N | P, kNewer, {}, false},
        {N | P, kOlder, ui::Answer::Yes, true},
        {N | P, kOlder, ui::Answer::No, false},
        {E, kNone, {}, false},
        {E, kOlder, {}, true},
        {E | N, kNewer, {}, false},
        {0, kNewer, {}, true},
        {P, kSame, ui::Answer::Yes, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags) + ", target " + std::to_string(c.target));
        ui.Reset();
        MakeTree(cRoot, {"SRC/A.TXT=new"});
        platform::SetFileTimes(Host("C:\\SRC\\A.TXT"), nullptr, nullptr, &older);
        ::unlink(Host("D:\\A.TXT").c_str());
        if (c.target != kNone) {
            Make("D:\\A.TXT", "old");
            platform::FileTime t = c.target == kOlder  ? platform::FileTime{900000000, 0}
                                   : c.target == kSame ? older
                                                       : newer;
            platform::SetFileTimes(Host("D:\\A.TXT"), nullptr, nullptr, &t);
        }
        if (c.answer)
            ui.QueueYesNoAllCancel(*c.answer);
        CCopyOutcome out = Run(Params(kCopyFiles, "C:\\SRC", {"A.TXT"}, "D:\\", c.flags));
        EXPECT_TRUE(out.completed);
        EXPECT_EQ(out.done, c.copied ? 1 : 0);
        EXPECT_EQ(out.skipped, c.copied ? 0 : 1);
        EXPECT_EQ(Exists("D:\\A.TXT") ? Bytes("D:\\A.TXT") : "",
                  c.copied ? "new" : (c.target == kNone ? "" : "old"));
        if (c.answer)
            EXPECT_EQ(Shown(), Strings{"File 'D:\\A.TXT' already exists! Would you like to "
                                       "overwrite it?"});
        else
            EXPECT_EQ(Shown(), Strings{});
    }
}

// Yes To All stops the overwrite questions for the rest of the run only;
// Cancel ends the run with what was done kept.
TEST_F(CopyTest, OverwriteYesToAllLastsOneRunAndCancelEndsIt) {
    MakeTree(cRoot, {"SRC/A=1", "SRC/B=2", "SRC/C=3"});
    MakeTree(dRoot, {"A=old", "B=old", "C=old"});
    const CCopyParameters p =
        Params(kCopyFiles, "C:\\SRC", {"A", "B", "C"}, "D:\\", kCopyPromptBeforeOverwrite);
    ui.QueueYesNoAllCancel(ui::Answer::No);
    ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
    CCopyOutcome out = Run(p);
    EXPECT_EQ(ReadTree(dRoot), (Strings{"A=old", "B=2", "C=3"}));
    EXPECT_EQ(out.done, 2);
    EXPECT_EQ(out.skipped, 1);
    EXPECT_EQ(ui.Shown().size(), 2u);
    // The next run asks again; Cancel there ends it before anything.
    ui.QueueYesNoAllCancel(ui::Answer::Cancel);
    out = Run(p);
    EXPECT_TRUE(out.cancelled);
    EXPECT_FALSE(out.completed);
    EXPECT_EQ(out.done, 0);
    EXPECT_EQ(ui.Shown().size(), 3u);
}

// Every run asks before it makes a missing target directory, until Yes
// To All; No skips the group, Cancel ends the run.
TEST_F(CopyTest, MissingTargetDirectoryIsAskedForInEveryRun) {
    MakeTree(cRoot, {"SRC/A=1", "SRC/B=2"});
    struct Case {
        ui::Answer answer;
        Strings tree;
        int done, skipped;
        bool cancelled;
    } cases[] = {
        {ui::Answer::Yes, {"New/", "New/A=1", "New/B=2"}, 2, 0, false},
        {ui::Answer::YesToAll, {"New/", "New/A=1", "New/B=2"}, 2, 0, false},
        {ui::Answer::No, {}, 0, 2, false},
        {ui::Answer::Cancel, {}, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        std::filesystem::remove_all(dRoot + "/New"); // the case typed
        ui.Reset();
        ForgetNotices();
        ui.QueueYesNoAllCancel(c.answer);
        // Flag 8 cleared by the caller is set again by the run.
        CCopyOutcome out = Run(Params(kCopyFiles, "C:\\SRC", {"A", "B"}, "D:\\New", 0));
        EXPECT_EQ(Shown(), Strings{"Would you like to create the directory\n'D:\\New'?"});
        EXPECT_EQ(ReadTree(dRoot), c.tree);
        EXPECT_EQ(out.done, c.done);
        EXPECT_EQ(out.skipped, c.skipped);
        EXPECT_EQ(out.cancelled, c.cancelled);
        if (c.done > 0) {
            EXPECT_EQ(Notices(),
                      (Strings{"Added D:\\New", "Added D:\\New\\A", "Added D:\\New\\B"}));
            EXPECT_EQ(StatusTexts().front(), "Creating directory 'D:\\New'...");
        }
    }
    // A directory that cannot be made is reported with the reason.
    ui.Reset();
    ui.QueueYesNoAllCancel(ui::Answer::Yes);
    platform::fault::Arm(Op::Mkdir, 1, EACCES);
    CCopyOutcome out = Run(Params(kCopyFiles, "C:\\SRC", {"A"}, "D:\\BLOCK\\IN", 0));
    EXPECT_EQ(out.failed, 1);
    EXPECT_EQ(out.skipped, 1);
    ASSERT_EQ(Shown().size(), 2u);
    EXPECT_EQ(Shown()[1], "Unable to create directory 'D:\\BLOCK\\IN'.\n\n05h - Access denied.");
}

// The status window, a failure in the middle (reported once, with both
// paths cut to 30 characters) and the run going on.
TEST_F(CopyTest, StatusWindowAndFailuresOfAGroup) {
    MakeTree(cRoot, {"SOURCE DIRECTORY WITH A LONG NAME/A.TXT=a",
                     "SOURCE DIRECTORY WITH A LONG NAME/C.TXT=c"});
    const std::string source = "C:\\SOURCE DIRECTORY WITH A LONG NAME";
    for (int kind : {int(kCopyFiles), int(kMoveFiles)}) {
        SCOPED_TRACE(kind);
        ui.Reset();
        std::filesystem::remove_all(dRoot);
        ::mkdir(dRoot.c_str(), 0755);
        CCopyOutcome out = Run(Params(kind, source, {"A.TXT", "GONE.TXT", "C.TXT"}, "D:\\", 0));
        EXPECT_TRUE(out.completed);
        EXPECT_EQ(out.done, 2);
        EXPECT_EQ(out.failed, 1);
        const bool move = kind == kMoveFiles;
        EXPECT_EQ(Shown(), Strings{std::string("Unable to ") + (move ? "move" : "copy") +
                                   " file 'C:\\..WITH A LONG NAME\\GONE.TXT' to "
                                   "'D:\\GONE.TXT'.\n\n02h - File not found."});
        EXPECT_EQ(Status().caption, move ? "Move Files" : "Copy Files");
        EXPECT_EQ(Status().Texts(ui::StatusLog::Call::OverallLabel),
                  Strings{move ? "Files moved (or skipped):" : "Files copied (or skipped):"});
        EXPECT_EQ(Status().Percents(ui::StatusLog::Call::OverallPercent),
                  (std::vector<int>{0, 33, 66, 100}));
        EXPECT_EQ(ReadTree(dRoot), (Strings{"A.TXT=a", "C.TXT=c"}));
        if (move) {
            EXPECT_EQ(ReadTree(Host(source)), Strings{});
        }
    }
}

// Descriptions follow files of a group and of a tree (the description
// file itself is not copied as a file: its entries follow their files).
TEST_F(CopyTest, DescriptionsFollowCopiedAndMovedFiles) {
    struct Case {
        int kind;
        Strings files;
        const char* targetDir; // where the files land
    } cases[] = {
        {kCopyFiles, {"A.TXT"}, "D:\\"},
        {kMoveFiles, {"B.TXT"}, "D:\\"},
        {kCopyDirectory, {}, "D:\\SRC\\SUB"},
        {kMoveDirectory, {}, "D:\\SRC\\SUB"},
    };
    descriptions::C4DosDescriptionDatabase db(context.DriveSnapshot());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::filesystem::remove_all(cRoot + "/SRC");
        std::filesystem::remove_all(dRoot);
        ::mkdir(dRoot.c_str(), 0755);
        MakeTree(cRoot, {"SRC/SUB/A.TXT=a", "SRC/SUB/B.TXT=b"});
        ASSERT_TRUE(db.SetDirectory("C:\\SRC\\SUB"));
        ASSERT_TRUE(db.Add("A.TXT", "first"));
        ASSERT_TRUE(db.Add("B.TXT", "second"));
        db.SetDirectory("");
        const bool tree = IsDirectoryKind(c.kind);
        CCopyParameters p = Params(c.kind, tree ? "C:\\SRC" : "C:\\SRC\\SUB", c.files, "D:\\", 0);
        p.descriptions = true;
        if (tree)
            ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
        CCopyOutcome out = Run(p);
        EXPECT_EQ(out.failed, 0);
        EXPECT_EQ(out.done, tree ? 2 : 1);
        std::string text;
        ASSERT_TRUE(db.SetDirectory(c.targetDir));
        for (auto [name, description] : {std::pair{"A.TXT", "first"}, {"B.TXT", "second"}}) {
            bool carried = tree || c.files[0] == name;
            EXPECT_EQ(db.Get(name, &text), carried) << name;
            if (carried) {
                EXPECT_EQ(text, description);
            }
            // A move takes the entry with the file; a copy leaves it.
            if (IsMoveKind(c.kind) && carried && !tree) {
                ASSERT_TRUE(db.SetDirectory("C:\\SRC\\SUB"));
                EXPECT_FALSE(db.Get(name, &text));
                ASSERT_TRUE(db.SetDirectory(c.targetDir));
            }
        }
        db.SetDirectory("");
        if (c.kind == kMoveDirectory) {
            EXPECT_EQ(ReadTree(cRoot), Strings{}); // nothing left behind
        }
    }
}

} // namespace
} // namespace vorlane::fileops::testing
