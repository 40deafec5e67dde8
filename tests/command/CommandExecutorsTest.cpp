// The executors through the scripted user interface on a hermetic drive
// map: each refusal's exact text (and nothing changed on the disk), and
// each command's run with the files on the disk afterwards.
#include "CommandTestHost.h"
#include "command/CCommandLine.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

namespace vorlane::command {
namespace {

using test::TestHost;
using vorlane::test::FileExists;
using vorlane::test::ListDir;
using vorlane::test::ReadFile;
using vorlane::test::WriteFile;

class ExecutorTest : public ::testing::Test {
  protected:
    ExecutorTest() {
        ::mkdir(m_host.C("DOCS").c_str(), 0700);
        ::mkdir(m_host.D("BACKUP").c_str(), 0700);
        WriteFile(m_host.C("DOCS/A.TXT"), "a");
        WriteFile(m_host.C("DOCS/B.TXT"), "b");
        WriteFile(m_host.C("DOCS/C.TMP"), "c");
        m_host.currentDirectory = "C:\\DOCS";
    }
    // Sets a file's last write time (seconds since the epoch).
    void SetTime(const std::string& path, time_t when) {
        struct utimbuf times = {when, when};
        ASSERT_EQ(::utime(path.c_str(), &times), 0);
    }
    TestHost m_host;
};

TEST_F(ExecutorTest, RefusalsShowTheirTextAndChangeNothing) {
    struct Case {
        std::string line, message;
    };
    const Case cases[] = {
        {"attrib +r -r *.txt", "The same attribute(s) cannot be specified to set/unset!"},
        {"attrib *.txt", "Nothing specified to do with command 'ATTRIB'!"},
        {"attrib +r *.txt *.tmp", "Too many parameters specified for command 'ATTRIB'!"},
        {"attrib +r *.xyz", "No files in 'C:\\DOCS' matching wildcard '*.xyz' to change!"},
        {"attrib /q +r a.txt", "Unknown command switch '/q' for command 'ATTRIB'!"},
        {"cd", "A directory name was not specified to change to!"},
        {"cd /x ..", "Unknown command switch '/x' for command 'CHDIR'!"},
        {"cd a.txt", "Parameter 'a.txt' is invalid for command 'CHDIR'."},
        {"copy", "A source parameter was not specified for command 'COPY'!"},
        {"copy a.txt", "A target parameter was not specified for command 'COPY'!"},
        {"copy a.txt D:", "Parameter 'D:' is not a valid target parameter for command 'COPY'."},
        {"move a.txt b.txt", "Parameter 'b.txt' is not a valid target parameter for command "
                             "'MOVE'."},
        {"copy D: D:\\BACKUP", "Parameter 'D:' is not a valid source parameter for command "
                               "'COPY'."},
        {"copy a.txt D:\\BACKUP x.txt", "Too many parameters specified for command 'COPY'!"},
        {"copy /q a.txt D:\\BACKUP", "Unknown parameter '/q' for command 'COPY'!"},
        {"del", "Nothing specified to delete!"},
        {"del C:\\DOCS", "A directory was specified without a wildcard! Please re-enter the "
                         "command with a wildcard or use the RMDIR command to remove the "
                         "directory!"},
        {"del [tagged] *.txt", "You cannot specify a file group and a wildcard!"},
        {"del /k a.txt", "Unknown parameter '/k' for command 'DELETE'!"},
        {"describe a.txt", "A filename and/or description was not supplied for the DESCRIBE "
                           "comamnd!"},
        {"dir", "A directory and/or file search pattern must be specified for the DIR command!"},
        {"dir /w", "Unknown command switch '/w' for command 'DIR'!"},
        {"label C:", "A drive and/or label must be specified for LABEL command!"},
        {"md", "A directory name was not specified to be created!"},
        {"md /x new", "Unknown command switch '/x' for command 'MKDIR'!"},
        {"md .\\a .\\b", "Too many parameters specified for command 'MKDIR'!"},
        {"md C:\\DOCS", "Directory 'C:\\DOCS' already exists!"},
        {"md NEW", "Parameter 'NEW' is invalid for command 'MKDIR'."},
        {"ren a.txt", "A target parameter was not specified for command 'RENAME'!"},
        {"ren a.txt ..", "The target parameter is a directory! Please re-issue the command as a "
                         "MOVE command."},
        {"rd", "A directory was not specified to remove!"},
        {"rd a.txt", "Parameter 'a.txt' is invalid for command 'RMDIR'."},
        {"Touch C:\\DOCS", "A filename or wildcard needs to be specified with a directory to "
                           "TOUCH!"},
        {"ZipToExe", "A zip file was not specified to convert!"},
        {"ZipToExe a.txt", "Parameter 'a.txt' is invalid for command 'ZipToExe'."},
    };
    const std::vector<std::string> before = ListDir(m_host.C("DOCS"));
    for (const Case& c : cases) {
        m_host.Ui().Reset();
        m_host.calls.clear();
        EXPECT_FALSE(m_host.Run(c.line)) << c.line;
        EXPECT_EQ(m_host.Ui().Texts(), std::vector<std::string>{c.message}) << c.line;
        EXPECT_TRUE(m_host.calls.empty() || m_host.calls == std::vector<std::string>{"group 2"})
            << c.line;
    }
    EXPECT_EQ(ListDir(m_host.C("DOCS")), before);
    EXPECT_EQ(ListDir(m_host.D("BACKUP")), std::vector<std::string>{});
    EXPECT_TRUE(m_host.Notices().empty());
}

TEST_F(ExecutorTest, ZipFilesRefuseWhatTheyCannotHold) {
    ASSERT_TRUE(m_host.Run("md C:\\DOCS\\ARC.ZIP"));
    ASSERT_TRUE(m_host.Run("copy a.txt C:\\DOCS\\ARC.ZIP /p"));
    struct Case {
        std::string line, message;
    };
    const Case cases[] = {
        {"attrib +r ARC.ZIP\\*.*", "You cannot change the attributes of files within a zip file!"},
        {"describe ARC.ZIP\\A.TXT x", "File descriptions are not supported within ZIP files."},
        {"ren ARC.ZIP\\A.TXT B.TXT", "You cannot name a file within a ZIP file!"},
        {"Touch ARC.ZIP\\*.TXT", "You cannot change the date/times of files within a zip file!"},
        {"md ARC.ZIP", "Directory 'ARC.ZIP' already exists!"},
    };
    for (const Case& c : cases) {
        m_host.Ui().Reset();
        EXPECT_FALSE(m_host.Run(c.line)) << c.line;
        EXPECT_EQ(m_host.Ui().Texts(), std::vector<std::string>{c.message}) << c.line;
    }
    // A member is a file of the zip file; a wildcard in it deletes from it.
    m_host.Ui().Reset();
    EXPECT_TRUE(m_host.Run("del ARC.ZIP\\*.TXT /y"));
    EXPECT_FALSE(m_host.Run("copy ARC.ZIP\\A.TXT D:\\BACKUP")); // gone
}

TEST_F(ExecutorTest, MakeDirectoryKeepsTheTypedCaseAndMakesZipFiles) {
    EXPECT_TRUE(m_host.Run("md C:\\NewDir"));
    EXPECT_TRUE(m_host.Run("md .\\Inner"));
    EXPECT_TRUE(m_host.Run("mkdir C:\\Packed.zip"));
    EXPECT_EQ(ListDir(m_host.C("")), (std::vector<std::string>{"DOCS", "NewDir", "Packed.zip"}));
    EXPECT_TRUE(FileExists(m_host.C("DOCS/Inner")));
    struct stat st;
    ASSERT_EQ(::stat(m_host.C("Packed.zip").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ASSERT_EQ(::stat(m_host.C("NewDir").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // The new zip file now counts as an existing directory.
    EXPECT_FALSE(m_host.Run("md C:\\PACKED.ZIP"));
    EXPECT_EQ(m_host.Ui().Texts().back(), "Directory 'C:\\PACKED.ZIP' already exists!");
}

TEST_F(ExecutorTest, DeleteTakesTheExactNameBeforeACaseVariant) {
    WriteFile(m_host.C("DOCS/readme"), "lower");
    WriteFile(m_host.C("DOCS/README"), "upper");
    EXPECT_TRUE(m_host.Run("del readme /y"));
    EXPECT_FALSE(FileExists(m_host.C("DOCS/readme")));
    EXPECT_EQ(ReadFile(m_host.C("DOCS/README")), "upper");
    // Only a case variant left: it is found.
    EXPECT_TRUE(m_host.Run("erase ReadMe /y"));
    EXPECT_FALSE(FileExists(m_host.C("DOCS/README")));
}

TEST_F(ExecutorTest, DeleteWithoutPromptsStillAsksForReadOnlyFiles) {
    WriteFile(m_host.C("DOCS/KEEP.TMP"), "k");
    ASSERT_EQ(::chmod(m_host.C("DOCS/KEEP.TMP").c_str(), 0400), 0);
    m_host.Ui().QueueYesNoAllCancel(ui::Answer::No);
    EXPECT_TRUE(m_host.Run("del *.tmp /y"));
    EXPECT_FALSE(FileExists(m_host.C("DOCS/C.TMP")));
    EXPECT_TRUE(FileExists(m_host.C("DOCS/KEEP.TMP")));
    ASSERT_EQ(m_host.Ui().Shown().size(), 1u);
    EXPECT_NE(m_host.Ui().Shown()[0].text.find("KEEP.TMP"), std::string::npos);
    // Without /y every file is asked.
    m_host.Ui().Reset();
    m_host.Ui().QueueYesNoAllCancel(ui::Answer::Yes);
    EXPECT_TRUE(m_host.Run("del A.TXT"));
    EXPECT_FALSE(FileExists(m_host.C("DOCS/A.TXT")));
}

TEST_F(ExecutorTest, CopyFlagsFollowTheSwitches) {
    WriteFile(m_host.D("BACKUP/A.TXT"), "newer on D");
    SetTime(m_host.C("DOCS/A.TXT"), 1000000000);
    SetTime(m_host.D("BACKUP/A.TXT"), 1100000000);
    // No switches: only newer files, and B.TXT (missing there) is copied.
    EXPECT_TRUE(m_host.Run("copy *.txt D:\\BACKUP"));
    EXPECT_EQ(ReadFile(m_host.D("BACKUP/A.TXT")), "newer on D");
    EXPECT_EQ(ReadFile(m_host.D("BACKUP/B.TXT")), "b");
    // /t alone: only files that exist there, whatever their age, unasked.
    WriteFile(m_host.C("DOCS/B.TXT"), "b2");
    EXPECT_TRUE(m_host.Run("copy *.txt D:\\BACKUP /t"));
    EXPECT_EQ(ReadFile(m_host.D("BACKUP/A.TXT")), "a");
    EXPECT_EQ(ReadFile(m_host.D("BACKUP/B.TXT")), "b2");
    EXPECT_FALSE(FileExists(m_host.D("BACKUP/C.TMP")));
    EXPECT_TRUE(m_host.Ui().Shown().empty());
    // A group word takes the window's group; move removes the sources.
    m_host.groups[2] = {"C.TMP"};
    EXPECT_TRUE(m_host.Run("move [tagged] D:\\BACKUP /n"));
    EXPECT_TRUE(FileExists(m_host.D("BACKUP/C.TMP")));
    EXPECT_FALSE(FileExists(m_host.C("DOCS/C.TMP")));
}

TEST_F(ExecutorTest, CopyOfADirectoryCopiesTheTree) {
    ::mkdir(m_host.C("DOCS/SUB").c_str(), 0700);
    WriteFile(m_host.C("DOCS/SUB/DEEP.TXT"), "deep");
    // The run asks before it makes each directory of the tree.
    m_host.Ui().QueueYesNoAllCancel(ui::Answer::YesToAll);
    EXPECT_TRUE(m_host.Run("copy C:\\DOCS D:\\BACKUP /s"));
    EXPECT_EQ(ReadFile(m_host.D("BACKUP/DOCS/SUB/DEEP.TXT")), "deep");
}

TEST_F(ExecutorTest, AttribRenameTouchDescribe) {
    EXPECT_TRUE(m_host.Run("attrib +r *.txt"));
    EXPECT_EQ(vorlane::test::FileMode(m_host.C("DOCS/A.TXT")) & 0222, 0u);
    EXPECT_TRUE(m_host.Run("attrib -R C:\\DOCS"));
    EXPECT_NE(vorlane::test::FileMode(m_host.C("DOCS/A.TXT")) & 0200, 0u);

    EXPECT_TRUE(m_host.Run("ren *.txt *.bak"));
    EXPECT_EQ(ListDir(m_host.C("DOCS")), (std::vector<std::string>{"A.bak", "B.bak", "C.TMP"}));
    EXPECT_TRUE(m_host.Run("rename C:\\DOCS Papers"));
    EXPECT_TRUE(FileExists(m_host.C("Papers/C.TMP")));
    m_host.currentDirectory = "C:\\Papers";

    SetTime(m_host.C("Papers/C.TMP"), 1000000000);
    EXPECT_TRUE(m_host.Run("touch c.tmp"));
    platform::FileEntry entry;
    ASSERT_TRUE(platform::StatEntry(m_host.C("Papers/C.TMP"), &entry));
    EXPECT_GT(entry.lastWriteTime.seconds, 1000000000);

    EXPECT_TRUE(m_host.Run("describe C.TMP \"scratch file\""));
    EXPECT_NE(ReadFile(m_host.C("Papers/DESCRIPT.ION")).find("scratch file"), std::string::npos);
}

TEST_F(ExecutorTest, ChdirAndDirAskTheFrontEnd) {
    ::mkdir(m_host.C("DOCS/Sub").c_str(), 0700);
    struct Case {
        std::string line, call;
    };
    const Case cases[] = {
        {"cd sub", "cd C:\\DOCS\\Sub"},
        {"chdir .. /z", "cd C:\\DOCS"},
        {"cd d:", "cd D:\\"},
        {"dir *.TXT", "dir C:\\ *.TXT"}, // cd .. went to C:\ before
        {"dir C:\\DOCS", "dir C:\\DOCS *.*"},
        {"dir C:\\DOCS\\*.TMP /z", "dir C:\\DOCS *.TMP"},
    };
    for (const Case& c : cases) {
        m_host.calls.clear();
        EXPECT_TRUE(m_host.Run(c.line)) << c.line;
        EXPECT_EQ(m_host.calls, std::vector<std::string>{c.call}) << c.line;
        if (c.line == "cd d:")
            m_host.currentDirectory = "C:\\";
    }
}

TEST_F(ExecutorTest, RemoveDirectoryAndTheDriveRootQuestion) {
    ::mkdir(m_host.C("DOCS/OLD").c_str(), 0700);
    WriteFile(m_host.C("DOCS/OLD/X"), "x");
    EXPECT_TRUE(m_host.Run("rd OLD /y"));
    EXPECT_FALSE(FileExists(m_host.C("DOCS/OLD")));

    // The root without prompts: the question comes first; No removes nothing.
    m_host.Ui().Reset();
    m_host.Ui().QueueYesNo(false);
    EXPECT_FALSE(m_host.Run("rd C:\\ /y"));
    EXPECT_EQ(m_host.Ui().Texts(),
              std::vector<std::string>{"You have requested to remove all the directories and "
                                       "files on drive 'C' without being prompted! Are you "
                                       "sure?"});
    EXPECT_TRUE(FileExists(m_host.C("DOCS/A.TXT")));
}

TEST(RemoveDirectoryGuardTest, HostRootAndHomeAreRefused) {
    vorlane::test::TempDir home;
    vorlane::test::ScopedEnv homeEnv("HOME", home.path());
    // A drive onto the home directory and one onto "/": never removed.
    auto drives = std::make_shared<platform::DriveMap>(
        platform::DriveMap::FromSpec("H=" + home.path() + ";Z=/"));
    struct Guarded : TestHost {
        std::shared_ptr<platform::DriveMap> map;
        ui::OperationContext Context() override {
            ui::OperationContext context(Ui(), map);
            context.currentDirectory = "H:\\";
            return context;
        }
    } guarded;
    guarded.map = drives;
    WriteFile(home / "KEEP", "k");
    for (const char* line : {"rd H:\\ /y", "rd Z:\\", "rd H: /p"}) {
        guarded.Ui().Reset();
        EXPECT_FALSE(guarded.Run(line)) << line;
        ASSERT_EQ(guarded.Ui().Texts().size(), 1u) << line;
        EXPECT_NE(guarded.Ui().Texts()[0].find("is never removed"), std::string::npos);
    }
    EXPECT_TRUE(FileExists(home / "KEEP"));
}

} // namespace
} // namespace vorlane::command
