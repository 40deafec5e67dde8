// The copy and move driver with a zip file on either side, on archives
// made by zip, 7z and bsdtar: members extracted where a plain copy would
// put files, files added under the path inside the zip file, zip to zip,
// a move out of a zip file deleting exactly the members that arrived, and
// the two failure texts.
#include "CopyTestSupport.h"

#include "zip/CZipFileOperation.h"

#include <cstdlib>

namespace vorlane::fileops::testing {
namespace {

// The tools that make the archives of the tests, each run in a directory
// on a list of relative names.
struct Maker {
    const char* name;
    const char* command; // %s: the archive; names follow
};
const Maker kMakers[] = {
    {"zip", "zip -q -r %s"},
    {"7z", "7z a -tzip -bd -bso0 %s"},
    {"bsdtar", "bsdtar --format zip -cf %s"},
};

class CopyZipTest : public CopyTest {
  protected:
    // Makes archive (host path) in workDir from the tree lines given.
    bool MakeArchive(const Maker& maker, const std::string& archive, const Strings& tree) {
        const std::string work = dir / "work";
        std::filesystem::remove_all(work);
        MakeTree(work, tree);
        Strings tops;
        for (const std::string& line : tree) {
            std::string top = line.substr(0, line.find_first_of("/="));
            if (std::find(tops.begin(), tops.end(), top) == tops.end())
                tops.push_back(top);
        }
        char command[512];
        std::snprintf(command, sizeof command, maker.command, archive.c_str());
        std::string line = "cd '" + work + "' && " + command;
        for (const std::string& top : tops)
            line += " '" + top + "'";
        return std::system((line + " >/dev/null 2>&1").c_str()) == 0;
    }
    // Member names (directory entries left out), sorted.
    Strings Members(const std::string& dosArchive) {
        zip::CZipFileOperation op(context);
        std::vector<zip::ZipMemberEntry> members;
        EXPECT_EQ(op.ReadDirectory(dosArchive, false, &members), zip::kOpened);
        Strings names;
        for (const auto& m : members)
            names.emplace_back(m.StoredName());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A member's bytes as unzip reads them (another program than ours).
    std::string MemberBytes(const std::string& hostArchive, const std::string& member,
                            const std::string& password = "") {
        std::string out = dir / "member.out";
        std::string cmd = "unzip -p " + (password.empty() ? "" : "-P " + password + " ") + "'" +
                          hostArchive + "' '" + member + "' > '" + out + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0)
            return "<unzip failed>";
        return test::ReadFile(out);
    }
};

const Strings kArchiveTree = {"SUB/A.TXT=alpha", "SUB/DEEP/B.TXT=beta", "TOP.TXT=top"};

TEST_F(CopyZipTest, MembersComeOutWhereAPlainCopyWouldPutFiles) {
    for (const Maker& maker : kMakers) {
        struct Case {
            const char* name;
            int kind;
            const char* source;
            Strings files;
            Strings landed;  // below D:\OUT
            Strings members; // left in the archive
        } cases[] = {
            {"file group",
             kCopyFiles,
             "C:\\ARC.ZIP\\SUB",
             {"A.TXT"},
             {"A.TXT=alpha"},
             {"SUB/A.TXT", "SUB/DEEP/B.TXT", "TOP.TXT"}},
            {"directory",
             kCopyDirectory,
             "C:\\ARC.ZIP\\SUB",
             {},
             {"SUB/", "SUB/A.TXT=alpha", "SUB/DEEP/", "SUB/DEEP/B.TXT=beta"},
             {"SUB/A.TXT", "SUB/DEEP/B.TXT", "TOP.TXT"}},
            {"move out of it",
             kMoveDirectory,
             "C:\\ARC.ZIP\\SUB",
             {},
             {"SUB/", "SUB/A.TXT=alpha", "SUB/DEEP/", "SUB/DEEP/B.TXT=beta"},
             {"TOP.TXT"}},
            {"move a file out",
             kMoveFiles,
             "C:\\ARC.ZIP",
             {"top.txt"},
             {"TOP.TXT=top"},
             {"SUB/A.TXT", "SUB/DEEP/B.TXT"}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(maker.name) + ", " + c.name);
            ui.Reset();
            ForgetNotices();
            std::filesystem::remove_all(dRoot + "/OUT");
            ::unlink(Host("C:\\ARC.ZIP").c_str());
            ASSERT_TRUE(MakeArchive(maker, Host("C:\\ARC.ZIP"), kArchiveTree));
            ::mkdir((dRoot + "/OUT").c_str(), 0755);
            if (IsDirectoryKind(c.kind))
                ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
            CCopyOutcome out = Run(Params(c.kind, c.source, c.files, "D:\\OUT", 0));
            EXPECT_TRUE(out.completed);
            EXPECT_EQ(out.failed, 0);
            EXPECT_EQ(ReadTree(dRoot + "/OUT"), c.landed);
            EXPECT_EQ(Members("C:\\ARC.ZIP"), c.members);
            EXPECT_EQ(ReadTree(cRoot),
                      Strings{"ARC.ZIP=" + Bytes("C:\\ARC.ZIP")}); // no staging left
            EXPECT_EQ(Notices().front().substr(0, 12), "Added D:\\OUT");
        }
    }
}

TEST_F(CopyZipTest, FilesGoUnderThePathInsideTheZipFile) {
    MakeTree(cRoot, {"SRC/X.TXT=ex", "SRC/Y.TXT=why", "SRC/IN/Z.TXT=zed"});
    for (const Maker& maker : kMakers) {
        struct Case {
            const char* name;
            int kind;
            const char* target;
            int pathMode;
            Strings added; // members beside TOP.TXT and SUB\...
        } cases[] = {
            {"group into the root", kCopyFiles, "C:\\ARC.ZIP", kZipNoPaths, {"X.TXT", "Y.TXT"}},
            {"group into a path",
             kCopyFiles,
             "C:\\ARC.ZIP\\NEW\\PATH",
             kZipNoPaths,
             {"NEW/PATH/X.TXT", "NEW/PATH/Y.TXT"}},
            {"tree, relative paths",
             kCopyDirectory,
             "C:\\ARC.ZIP",
             kZipRelativePaths,
             {"SRC/IN/Z.TXT", "SRC/X.TXT", "SRC/Y.TXT"}},
            {"tree into a path",
             kCopyDirectory,
             "C:\\ARC.ZIP\\SUB",
             kZipNoPaths,
             {"SUB/SRC/IN/Z.TXT", "SUB/SRC/X.TXT", "SUB/SRC/Y.TXT"}},
            {"move a group", kMoveFiles, "C:\\ARC.ZIP", kZipNoPaths, {"X.TXT", "Y.TXT"}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(maker.name) + ", " + c.name);
            ui.Reset();
            ::unlink(Host("C:\\ARC.ZIP").c_str());
            MakeTree(cRoot, {"SRC/X.TXT=ex", "SRC/Y.TXT=why"});
            ASSERT_TRUE(MakeArchive(maker, Host("C:\\ARC.ZIP"), kArchiveTree));
            CCopyParameters p = Params(c.kind, "C:\\SRC", {}, c.target, 0);
            if (!IsDirectoryKind(c.kind))
                p.files = {"X.TXT", "Y.TXT"};
            p.zipPathMode = c.pathMode;
            CCopyOutcome out = Run(p);
            EXPECT_EQ(out.failed, 0);
            EXPECT_EQ(Shown(), Strings{});
            Strings expected = c.added;
            expected.insert(expected.end(), {"SUB/A.TXT", "SUB/DEEP/B.TXT", "TOP.TXT"});
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Members("C:\\ARC.ZIP"), expected);
            EXPECT_EQ(MemberBytes(Host("C:\\ARC.ZIP"), c.added.back()),
                      c.added.back().ends_with("Y.TXT") ? "why" : "zed");
            EXPECT_EQ(Exists("C:\\SRC\\X.TXT"), c.kind != kMoveFiles);
            Strings notices = Notices();
            EXPECT_NE(std::find(notices.begin(), notices.end(), "Changed C:\\ARC.ZIP"),
                      notices.end());
        }
    }
}

// The run's compression factor, password and 8.3 names reach the zip file;
// a zip file to a zip file; the two failure texts.
TEST_F(CopyZipTest, OptionsZipToZipAndFailures) {
    MakeTree(cRoot, {"SRC/LONGFILENAME.TEXT=" + std::string(5000, 'a')});
    {
        zip::CZipFileOperation maker(context);
        ASSERT_TRUE(maker.Create("C:\\NEW.ZIP", false)); // an empty zip file
    }
    CCopyParameters p = Params(kCopyFiles, "C:\\SRC", {"LONGFILENAME.TEXT"}, "C:\\NEW.ZIP", 0);
    p.compressionFactor = 0;
    p.password = "secret";
    p.flags |= kCopyZip83Names;
    Run(p);
    zip::CZipFileOperation reader(context);
    std::vector<zip::ZipMemberEntry> members;
    ASSERT_EQ(reader.ReadDirectory("C:\\NEW.ZIP", false, &members), zip::kOpened);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_EQ(members[0].method, 0); // stored
    EXPECT_LE(members[0].StoredName().size(), 12u);
    EXPECT_EQ(MemberBytes(Host("C:\\NEW.ZIP"), std::string(members[0].StoredName()), "secret"),
              std::string(5000, 'a'));
    EXPECT_NE(MemberBytes(Host("C:\\NEW.ZIP"), std::string(members[0].StoredName()), "wrong"),
              std::string(5000, 'a')); // encrypted

    // Zip to zip, as a move: the members leave the source archive.
    ASSERT_TRUE(MakeArchive(kMakers[0], Host("C:\\ARC.ZIP"), kArchiveTree));
    {
        zip::CZipFileOperation maker(context);
        ASSERT_TRUE(maker.Create("D:\\TWO.ZIP", false));
    }
    p = Params(kMoveDirectory, "C:\\ARC.ZIP\\SUB", {}, "D:\\TWO.ZIP\\", 0);
    p.zipPathMode = kZipRelativePaths;
    Run(p);
    EXPECT_EQ(Members("D:\\TWO.ZIP"), (Strings{"SUB/A.TXT", "SUB/DEEP/B.TXT"}));
    EXPECT_EQ(Members("C:\\ARC.ZIP"), Strings{"TOP.TXT"});

    // Damaged archives on either side.
    Make("C:\\BAD.ZIP", "PK this is not a zip file at all");
    ui.Reset();
    CCopyOutcome out = Run(Params(kCopyFiles, "C:\\SRC", {"LONGFILENAME.TEXT"}, "C:\\BAD.ZIP", 0));
    EXPECT_EQ(out.failed, 1);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_TRUE(Shown()[0].starts_with("Unable to zip files to 'C:\\BAD.ZIP'.\n\n")) << Shown()[0];
    ui.Reset();
    out = Run(Params(kCopyFiles, "C:\\BAD.ZIP", {"X"}, "D:\\", 0));
    EXPECT_EQ(out.failed, 1);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_TRUE(Shown()[0].starts_with("Unable to unzip files from 'C:\\BAD.ZIP' to D:\\.\n\n"))
        << Shown()[0];
    EXPECT_EQ(Bytes("C:\\BAD.ZIP"), "PK this is not a zip file at all");
}

} // namespace
} // namespace vorlane::fileops::testing

namespace vorlane::fileops::testing {
namespace {

// The dialog's count of a tree, plain or inside a zip file: links count as
// files and are never followed; a tree that cannot be read all through,
// or a count cancelled, is not known.
TEST_F(CopyZipTest, TheTreeCountOfTheDialog) {
    MakeTree(cRoot, {"T/A=a", "T/SUB/B=b", "T/SUB/DEEP/", "T/LINK->SUB", "T/SELF->.", "T/Z.ZIP=z"});
    ASSERT_TRUE(MakeArchive(kMakers[0], Host("C:\\ARC.ZIP"), kArchiveTree));
    struct Case {
        const char* path;
        uint64_t directories, files;
    } cases[] = {
        {"C:\\T", 2, 5},
        {"C:\\ARC.ZIP", 2, 3},
        {"C:\\ARC.ZIP\\SUB", 1, 2},
        {"C:\\ARC.ZIP\\sub\\deep", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TreeCount count = CountTree(c.path, context.Drives());
        EXPECT_TRUE(count.known);
        EXPECT_EQ(count.directories, c.directories);
        EXPECT_EQ(count.files, c.files);
    }
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(CountTree("C:\\T", context.Drives(), &cancel).known);
    platform::fault::Arm(platform::fault::Op::List, 2, EACCES);
    EXPECT_FALSE(CountTree("C:\\T", context.Drives()).known);
    EXPECT_FALSE(CountTree("C:\\MISSING", context.Drives()).known);
}

// The job claims the source's and the target's drives and sums up.
TEST_F(CopyZipTest, TheJobClaimsBothDrivesAndSumsUp) {
    MakeTree(cRoot, {"S/A=a", "S/B=b"});
    CCopyJob job(Params(kMoveFiles, "c:\\S", {"A", "B", "GONE"}, "D:\\", 0));
    EXPECT_EQ(job.DriveLetters(), "CD");
    EXPECT_EQ(job.Title(), "Move Files");
    ui::OperationContext jobContext = context.WithNotices(*recorder);
    ui::JobResult result = ui::RunJobNow(job, jobContext);
    EXPECT_FALSE(result.ok); // GONE failed, and the user was told
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.summary, "2 moved");
    EXPECT_EQ(Notices(), (Strings{"Renamed C:\\S\\A -> D:\\A", "Renamed C:\\S\\B -> D:\\B"}));
}

} // namespace
} // namespace vorlane::fileops::testing
