// The rename driver: the new-name walk, the dialog's checks, group renames
// that never replace or lose a file, case-only renames, descriptions that
// follow (or fail without harm), and the rename of one file or directory.
#include "CopyTestSupport.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CFileWildcardRename.h"

namespace vorlane::fileops::testing {
namespace {

using Op = platform::fault::Op;

TEST(WildcardNewName, WalksThePatternOverTheOldName) {
    struct Case {
        const char* old;
        const char* pattern;
        const char* expected;
    } cases[] = {
        {"REPORT.TXT", "*.BAK", "REPORT.BAK"},
        {"REPORT.TXT", "??X*", "REXORT.TXT"},
        {"LETTER.DOC", "*.*", "LETTER.DOC"},
        {"README", "*.TXT", "README.TXT"},
        {"DATA.1997.OLD", "*.NEW", "DATA.NEW"},
        // "?" at a dot or past the end writes nothing; a plain character
        // there is written without using up the dot.
        {"AB.C", "????.?", "AB.C"},
        {"AB.C", "ABCD.X", "ABCD.X"},
        // A pattern ending in "*" takes every remaining character, dots too.
        {"A.B.C", "X*", "X.B.C"},
        {"AB", "*X*", "ABX"},
        // Characters, not bytes.
        {"ÄÖ.TXT", "?X.*", "ÄX.TXT"},
        {"readme.txt", "README.*", "README.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardNewName(c.old, c.pattern), c.expected) << c.old << " " << c.pattern;
}

TEST(RenameValidation, RefusesEmptyGroupsBadPatternsAndPlainNamesForMany) {
    auto params = [](std::vector<std::string> files, const std::string& pattern) {
        CRenameParameters p;
        p.directory = "C:\\";
        p.files = std::move(files);
        p.newName = pattern;
        return p;
    };
    const std::string invalid = "The file specification \"%s\" is invalid. It contains invalid "
                                "characters or it violates the the DOS file specification syntax.";
    auto invalidText = [&](const std::string& pattern) {
        std::string text = invalid;
        return text.replace(text.find("%s"), 2, pattern);
    };
    struct Case {
        CRenameParameters p;
        std::string expected;
    } cases[] = {
        {params({}, "*.BAK"), "The selected file group does not have any files!"},
        {params({"A"}, "[AB"), invalidText("[AB")},
        {params({"A"}, "A:B"), invalidText("A:B")},
        {params({"A"}, "SUB\\B"), invalidText("SUB\\B")},
        {params({"A", "B"}, "C.TXT"),
         "You have selected multiple files to be renamed. The new name field must contain DOS "
         "wildcards!"},
        {params({"A"}, "C.TXT"), ""}, // one file may take a plain name
        {params({"A", "B"}, "*.TXT"), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValidateRename(c.p), c.expected) << c.p.newName;
}

class RenameTest : public CopyTest {
  protected:
    CRenameOutcome Rename(Strings files, const std::string& pattern, bool descriptions = false,
                          const std::string& source = "") {
        CRenameParameters p;
        p.directory = "C:\\D";
        p.files = std::move(files);
        p.sourcePattern = source;
        p.newName = pattern;
        p.descriptions = descriptions;
        CRenameJob job(p);
        ui::OperationContext runContext = context.WithNotices(*recorder);
        ui::RunJobNow(job, runContext);
        return job.Outcome();
    }
    Strings Files() { return ReadTree(Host("C:\\D")); }
};

// Group renames: what each file becomes, what is reported, and that no
// file is ever replaced or lost.
TEST_F(RenameTest, GroupRenamesNeverReplaceOrLoseAFile) {
    const std::string exists = "New file name already exists as a unique file!";
    struct Case {
        const char* name;
        Strings tree;
        Strings files;
        const char* pattern;
        Strings after;
        Strings errors;
    } cases[] = {
        {"every file to a new extension, a name without one too",
         {"R.TXT=r", "S.TXT=s", "NOEXT=n"},
         {"R.TXT", "S.TXT", "NOEXT"},
         "*.BAK",
         {"NOEXT.BAK=n", "R.BAK=r", "S.BAK=s"},
         {}},
        {"a new name held by a member that stays: reported, both kept",
         {"X.A=a", "X.B=b"},
         {"X.A", "X.B"},
         "*.B",
         {"X.A=a", "X.B=b"},
         {"Unable to rename 'C:\\D\\X.A' to 'C:\\D\\X.B'.\n" + exists}},
        {"two files to one name: the first renamed, the second reported",
         {"A1.TXT=1", "A2.TXT=2"},
         {"A1.TXT", "A2.TXT"},
         "A.*",
         {"A.TXT=1", "A2.TXT=2"},
         {"Unable to rename 'C:\\D\\A2.TXT' to 'C:\\D\\A.TXT'.\n" + exists}},
        {"a new name held by a member that moves on: it waits for it",
         {"AB=1", "ABX=2"},
         {"AB", "ABX"},
         "*X*",
         {"ABX=1", "ABXX=2"},
         {}},
        {"a file outside the group is never replaced",
         {"A.TXT=a", "A.BAK=old"},
         {"A.TXT"},
         "*.BAK",
         {"A.BAK=old", "A.TXT=a"},
         {"Unable to rename 'C:\\D\\A.TXT' to 'C:\\D\\A.BAK'.\n" + exists}},
        {"a change of case alone",
         {"readme.txt=r"},
         {"readme.txt"},
         "README.*",
         {"README.txt=r"},
         {}},
        {"a directory of the group",
         {"OLD.DIR/F=f"},
         {"OLD.DIR"},
         "*.NEW",
         {"OLD.NEW/", "OLD.NEW/F=f"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(Host("C:\\D"));
        ::mkdir(Host("C:\\D").c_str(), 0755);
        MakeTree(Host("C:\\D"), c.tree);
        const size_t before = Shown().size();
        CRenameOutcome out = Rename(c.files, c.pattern);
        EXPECT_EQ(Files(), c.after);
        EXPECT_EQ(out.errors, c.errors);
        EXPECT_EQ(out.failed, c.errors.size());
        // The error list comes once, at the end.
        EXPECT_EQ(Shown().size(), before + (c.errors.empty() ? 0 : 1));
    }
}

TEST_F(RenameTest, NoticesStatusAndDescriptionsFollowTheFiles) {
    MakeTree(cRoot, {"D/A.TXT=a", "D/B.TXT=b"});
    {
        descriptions::C4DosDescriptionDatabase db(context.DriveSnapshot());
        ASSERT_TRUE(db.SetDirectory("C:\\D"));
        ASSERT_TRUE(db.Set("A.TXT", "first file"));
    }
    CRenameOutcome out = Rename({"A.TXT", "B.TXT"}, "*.BAK", true);
    EXPECT_EQ(out.renamed, 2u);
    EXPECT_EQ(Notices(), (Strings{"Renamed C:\\D\\A.TXT -> C:\\D\\A.BAK",
                                  "Renamed C:\\D\\B.TXT -> C:\\D\\B.BAK"}));
    EXPECT_EQ(Status().caption, "Rename File(s)");
    EXPECT_EQ(Status().Texts(ui::StatusLog::Call::OverallLabel),
              Strings{"Files renamed (or skipped):"});
    EXPECT_EQ(Status().Percents(ui::StatusLog::Call::OverallPercent).back(), 100);
    descriptions::C4DosDescriptionDatabase db(context.DriveSnapshot());
    ASSERT_TRUE(db.SetDirectory("C:\\D"));
    std::string text;
    EXPECT_TRUE(db.Get("A.BAK", &text));
    EXPECT_EQ(text, "first file");
    EXPECT_FALSE(db.Get("A.TXT", &text));
}

TEST_F(RenameTest, FailingDescriptionWriteLeavesFilesRenamedAndDescriptionsWhole) {
    MakeTree(cRoot, {"D/A.TXT=a", "D/B.TXT=b"});
    {
        descriptions::C4DosDescriptionDatabase db(context.DriveSnapshot());
        ASSERT_TRUE(db.SetDirectory("C:\\D"));
        ASSERT_TRUE(db.Set("A.TXT", "first file"));
    }
    const std::string before = Bytes("C:\\D\\DESCRIPT.ION");
    // Every flush fails: each save of the description file fails; the
    // renames themselves flush nothing.
    platform::fault::Arm(Op::Fsync, 1, EIO, true);
    CRenameOutcome out = Rename({"A.TXT", "B.TXT"}, "*.BAK", true);
    platform::fault::Reset();
    EXPECT_EQ(out.renamed, 2u);
    EXPECT_EQ(Files(), (Strings{"A.BAK=a", "B.BAK=b", "DESCRIPT.ION=" + before}));
    EXPECT_EQ(Shown(), Strings{"Unable to update description file with new filename."});
}

TEST_F(RenameTest, SourcePatternPicksTheMatchingFiles) {
    MakeTree(cRoot, {"D/a.txt=a", "D/B.TXT=b", "D/C.DOC=c", "D/SUB.TXT/"});
    CRenameOutcome out = Rename({}, "*.BAK", false, "*.TXT");
    EXPECT_EQ(out.renamed, 2u);
    EXPECT_EQ(Files(), (Strings{"B.BAK=b", "C.DOC=c", "SUB.TXT/", "a.BAK=a"}));
    Rename({}, "*.X", false, "*.ZZZ");
    EXPECT_EQ(Shown().back(), "No files matching '*.ZZZ' to rename!");
}

TEST_F(RenameTest, OneFileOrDirectoryByName) {
    MakeTree(cRoot, {"D/A.TXT=a", "D/TAKEN=t", "D/SUB/F=f", "ARC.ZIP=zip", "D/notes=n"});
    ui::OperationContext runContext = context.WithNotices(*recorder);
    struct Case {
        const char* path;
        const char* newName;
        bool ok;
        const char* shown; // "" nothing
    } cases[] = {
        {"C:\\", "X", false, "Cannot rename a root directory!"},
        {"C:\\ARC.ZIP", "ARC.BAK", false, "The extension for a ZIP directory must be '.ZIP'!"},
        // The text from the first '.' is what must be ".zip".
        {"C:\\ARC.ZIP", "ARC.TAR.ZIP", false, "The extension for a ZIP directory must be '.ZIP'!"},
        {"C:\\ARC.ZIP", "ARCZIP", false, "The extension for a ZIP directory must be '.ZIP'!"},
        {"C:\\ARC.ZIP\\A.TXT", "B.TXT", false, "You cannot name a file within a ZIP file!"},
        {"C:\\D\\A.TXT", "TAKEN", false,
         "Unable to rename 'C:\\D\\A.TXT' to 'C:\\D\\TAKEN'.\n\nNew file name already exists as a "
         "unique file!"},
        {"C:\\D\\A.TXT", "*.DOC", true, ""},
        {"C:\\D\\SUB", "NEWSUB", true, ""},
        {"C:\\ARC.ZIP", "OLD.zip", true, ""},
        {"C:\\D\\notes", "NOTES", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const size_t before = Shown().size();
        CRenameOneJob job(c.path, c.newName, false);
        EXPECT_EQ(ui::RunJobNow(job, runContext).ok, c.ok);
        if (c.shown[0] != '\0') {
            ASSERT_EQ(Shown().size(), before + 1);
            EXPECT_EQ(Shown().back(), c.shown);
        } else {
            EXPECT_EQ(Shown().size(), before);
        }
    }
    EXPECT_EQ(ReadTree(cRoot), (Strings{"D/", "D/A.DOC=a", "D/NEWSUB/", "D/NEWSUB/F=f", "D/NOTES=n",
                                        "D/TAKEN=t", "OLD.zip=zip"}));
    EXPECT_EQ(
        Notices(),
        (Strings{"Renamed C:\\D\\A.TXT -> C:\\D\\A.DOC", "Renamed C:\\D\\SUB -> C:\\D\\NEWSUB",
                 "Renamed C:\\ARC.ZIP -> C:\\OLD.zip", "Renamed C:\\D\\notes -> C:\\D\\NOTES"}));
}

} // namespace
} // namespace vorlane::fileops::testing
