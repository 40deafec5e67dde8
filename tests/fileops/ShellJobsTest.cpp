// The work behind Properties and Restore: what is read of a file, a link,
// a directory and a zip member; the directory count that never follows a
// link and stops when cancelled; the restore scan's texts and the restore
// itself, with the overwrite question.
#include "FileOpsTestSupport.h"

#include "fileops/CRestoreJob.h"
#include "fileops/FileProperties.h"

#include <cstdlib>
#include <unistd.h>

namespace vorlane::fileops::testing {
namespace {

class ShellJobsTest : public FileOpsTest {
  protected:
    // Make, with the directories on the way.
    void MakeIn(const std::string& dosPath, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(Host(dosPath)).parent_path());
        Make(dosPath, bytes);
    }
    void Shell(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
};

TEST_F(ShellJobsTest, PropertiesOfFileLinkDanglingLinkAndDirectory) {
    MakeIn("C:\\DOCS\\REPORT.TXT", std::string(1234, 'r'));
    ASSERT_EQ(::chmod(Host("C:\\DOCS\\REPORT.TXT").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("REPORT.TXT", Host("C:\\DOCS\\LINK.TXT").c_str()), 0);
    ASSERT_EQ(::symlink("GONE.TXT", Host("C:\\DOCS\\DEAD.TXT").c_str()), 0);
    struct Case {
        const char* path;
        bool ok;
        bool isDirectory;
        bool isLink;
        const char* target;
        uint64_t size;
        const char* permissions;
    } cases[] = {
        {"C:\\DOCS\\REPORT.TXT", true, false, false, "", 1234, "rw-r-----"},
        {"c:\\docs\\link.txt", true, false, true, "REPORT.TXT", 1234, "rw-r-----"},
        {"C:\\DOCS\\DEAD.TXT", true, false, true, "GONE.TXT", 8, "rwxrwxrwx"},
        {"C:\\DOCS", true, true, false, "", 0, "rwxr-xr-x"},
        {"C:\\DOCS\\MISSING.TXT", false, false, false, "", 0, ""},
        {"Q:\\NOWHERE", false, false, false, "", 0, ""},
    };
    for (const Case& c : cases) {
        FileProperties p;
        platform::SysError err;
        ASSERT_EQ(ReadFileProperties(c.path, context.Drives(), &p, &err), c.ok) << c.path;
        if (!c.ok) {
            EXPECT_FALSE(err.message.empty()) << c.path;
            continue;
        }
        EXPECT_EQ(p.isDirectory, c.isDirectory) << c.path;
        EXPECT_EQ(p.isLink, c.isLink) << c.path;
        EXPECT_EQ(p.linkTarget, c.target) << c.path;
        EXPECT_EQ(p.size, c.size) << c.path;
        EXPECT_EQ(PermissionText(p.mode), c.permissions) << c.path;
        EXPECT_EQ(p.hostPath.rfind(cRoot, 0), 0u) << p.hostPath;
        EXPECT_FALSE(p.owner.empty());
        EXPECT_FALSE(p.typeName.empty());
        EXPECT_NE(p.modified.seconds, 0);
    }
    FileProperties dir;
    ASSERT_TRUE(ReadFileProperties("C:\\DOCS", context.Drives(), &dir));
    EXPECT_EQ(dir.typeName, "Folder");
    EXPECT_EQ(dir.name, "DOCS");
    EXPECT_TRUE(dir.attributes & platform::kAttrDirectory);
}

TEST_F(ShellJobsTest, PermissionTextsShowSpecialBits) {
    struct Case {
        uint32_t mode;
        const char* letters;
        const char* octal;
    } cases[] = {
        {0644, "rw-r--r--", "0644"},  {0755, "rwxr-xr-x", "0755"},  {04755, "rwsr-xr-x", "4755"},
        {02750, "rwxr-s---", "2750"}, {01777, "rwxrwxrwt", "1777"}, {01776, "rwxrwxrwT", "1776"},
        {04644, "rwSr--r--", "4644"}, {0, "---------", "0000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PermissionText(c.mode), c.letters) << std::oct << c.mode;
        EXPECT_EQ(OctalModeText(c.mode), c.octal) << std::oct << c.mode;
    }
}

TEST_F(ShellJobsTest, DirectoryCountNeverFollowsLinksAndStopsWhenCancelled) {
    MakeIn("C:\\TREE\\A.BIN", std::string(100, 'a'));
    MakeIn("C:\\TREE\\SUB\\B.BIN", std::string(250, 'b'));
    MakeIn("C:\\TREE\\SUB\\DEEP\\C.BIN", std::string(5000, 'c'));
    MakeIn("C:\\OUTSIDE\\BIG.BIN", std::string(100000, 'x'));
    ASSERT_EQ(::symlink(Host("C:\\OUTSIDE").c_str(), Host("C:\\TREE\\TOOUT").c_str()), 0);
    ASSERT_EQ(::symlink(Host("C:\\TREE").c_str(), Host("C:\\TREE\\SUB\\LOOP").c_str()), 0);

    CDirectorySizeJob job("C:\\TREE");
    std::shared_ptr<const DirectorySizeProgress> totals = job.Progress();
    ui::JobResult result = ui::RunJobNow(job, context);
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_TRUE(totals->finished.load());
    EXPECT_EQ(totals->files.load(), 5u); // three files and two links
    EXPECT_EQ(totals->directories.load(), 2u);
    EXPECT_EQ(totals->bytes.load(), 5350u);
    EXPECT_EQ(totals->unreadable.load(), 0u);

    ui::OperationContext cancelled = context.WithOwnCancelFlag();
    cancelled.RequestCancel();
    CDirectorySizeJob stopped("C:\\TREE");
    result = ui::RunJobNow(stopped, cancelled);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(stopped.Progress()->cancelled.load());
    EXPECT_TRUE(stopped.Progress()->finished.load());
    EXPECT_EQ(stopped.Progress()->files.load(), 0u);

    CDirectorySizeJob missing("C:\\NOPE");
    EXPECT_FALSE(ui::RunJobNow(missing, context).ok);
    EXPECT_TRUE(missing.Progress()->finished.load());
}

TEST_F(ShellJobsTest, ZipMemberPropertiesComeFromTheCentralDirectory) {
    MakeIn("C:\\SRC\\hello.txt", "hello\n");
    MakeIn("C:\\SRC\\sub\\big.txt", std::string(20000, 'z'));
    Shell("cd '" + Host("C:\\SRC") + "' && zip -q -r ../ARC.ZIP hello.txt sub && " +
          "printf 'greeting note\\n' | zip -q -c ../ARC.ZIP hello.txt");
    ZipMemberProperties hello;
    platform::SysError err;
    ASSERT_TRUE(ReadZipMemberProperties("C:\\ARC.ZIP", "hello.txt", context.Drives(), &hello, &err))
        << err.message;
    EXPECT_EQ(hello.size, 6u);
    EXPECT_EQ(CrcText(hello.crc), "363A3020"); // CRC-32 of "hello\n"
    EXPECT_EQ(hello.comment, "greeting note");
    EXPECT_EQ(hello.method, "Stored");
    ZipMemberProperties big;
    ASSERT_TRUE(ReadZipMemberProperties("C:\\ARC.ZIP", "sub/big.txt", context.Drives(), &big));
    EXPECT_EQ(big.size, 20000u);
    EXPECT_LT(big.packedSize, 1000u);
    EXPECT_GT(big.ratio, 90);
    EXPECT_EQ(big.comment, "");
    EXPECT_FALSE(
        ReadZipMemberProperties("C:\\ARC.ZIP", "SUB/BIG.TXT", context.Drives(), &big, &err));
    EXPECT_NE(err.message.find("holds no member"), std::string::npos);
}

TEST_F(ShellJobsTest, RestoreScanSaysWhatItDidNotFind) {
    struct Case {
        const char* name;
        char drive;
        std::string setup; // files made at D:'s root
        bool found;
        const char* shown; // the start of the message shown, "" for none
    } cases[] = {
        {"no drive", 0, "", false, kRestoreNoDriveText},
        {"no zip file", 'D', "notes.txt", false, kRestoreNoZipText},
        {"damaged", 'D', "junk.zip", false, "Unable to open zip file 'junk.zip'."},
    };
    for (const Case& c : cases) {
        ui.Reset();
        if (!c.setup.empty())
            MakeIn(std::string("D:\\") + c.setup, "not an archive");
        RestoreScan scan = ScanRestoreDrive(c.drive, context);
        EXPECT_EQ(scan.found, c.found) << c.name;
        ASSERT_EQ(ui.Texts().size(), 1u) << c.name;
        EXPECT_EQ(ui.Texts()[0].rfind(c.shown, 0), 0u) << c.name << ": " << ui.Texts()[0];
    }
}

TEST_F(ShellJobsTest, RestoreExtractsWithPathsAndAsksBeforeOverwriting) {
    MakeIn("C:\\SRC\\top.txt", "new top");
    MakeIn("C:\\SRC\\docs\\inner.txt", "inner");
    Shell("cd '" + Host("C:\\SRC") + "' && zip -q -r '" + Host("D:\\Backup.Zip") +
          "' top.txt docs && printf 'weekly backup\\n.\\n' | zip -q -z '" + Host("D:\\Backup.Zip") +
          "'");
    MakeIn("D:\\a-notes.txt", "not an archive");
    RestoreScan scan = ScanRestoreDrive('d', context);
    ASSERT_TRUE(scan.found) << (ui.Texts().empty() ? "" : ui.Texts()[0]);
    EXPECT_EQ(scan.name, "Backup.Zip");
    EXPECT_EQ(scan.comment, "weekly backup");

    MakeIn("C:\\OUT\\top.txt", "old top");
    ui.QueueYesNo(false); // keep the existing top.txt
    CRestoreJob job({scan.archive, "C:\\OUT"});
    EXPECT_EQ(job.DriveLetters(), "DC");
    ui::JobResult result = ui::RunJobNow(job, context);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(Bytes("C:\\OUT\\docs\\inner.txt"), "inner");
    EXPECT_EQ(Bytes("C:\\OUT\\top.txt"), "old top");
    EXPECT_TRUE(ui.Showed("top.txt"));
}

} // namespace
} // namespace vorlane::fileops::testing
