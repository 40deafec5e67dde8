// The console session in process: the command loop, EXIT and the end of
// input through the normal shutdown, the exit question, saved windows
// kept across a console run, and thumbnails following the commands.
#include "console/ConsoleSession.h"
#include "objdb/CAppObjectDatabase.h"
#include "objdb/CObjectDatabase.h"
#include "platform/Drives.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"
#include "ui/ChangeNotices.h"
#include "viewers/ThumbnailStore.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace vorlane::console {
namespace {

class ConsoleSessionTest : public ::testing::Test {
  protected:
    ConsoleSessionTest()
        : m_home("VORLANE_HOME", m_dir / "home"),
          m_drives("VORLANE_DRIVES", "C=" + m_dir.path() + "/c;E=" + m_dir.path() +
                                         "/e;M=" + m_dir.path() + "/missing") {
        ::mkdir((m_dir / "c").c_str(), 0700);
        ::mkdir((m_dir / "e").c_str(), 0700);
        ::mkdir((m_dir / "home").c_str(), 0700);
    }

    // Runs a whole session on the given input; returns its exit code.
    int Run(const std::string& input) {
        std::istringstream in(input);
        m_out.str("");
        m_err.str("");
        ConsoleSession session(in, m_out, m_err, false);
        return session.Run();
    }
    std::string Ini() const { return m_dir / "home/VORLANE.INI"; }
    platform::ProfileFile LoadIni() {
        platform::ProfileFile ini(Ini());
        EXPECT_TRUE(ini.Load());
        return ini;
    }

    test::TempDir m_dir;
    test::ScopedEnv m_home;
    test::ScopedEnv m_drives;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(ConsoleSessionTest, Commands) {
    Run("help\nDrives\n  set  \nfrobnicate now\n\nquit\n");
    const std::string out = m_out.str();
    EXPECT_NE(out.find("  EXIT      leave Vorlane"), std::string::npos);
    EXPECT_NE(out.find("E:  Hard"), std::string::npos) << out;
    EXPECT_EQ(out.find("M:  "), std::string::npos); // its directory is missing
    EXPECT_NE(out.find("shown  " + m_dir.path() + "/c\n"), std::string::npos);
    EXPECT_NE(out.find("[Advanced Settings]\nFile Launch=1\n"), std::string::npos);
    EXPECT_NE(out.find("; thumbnails 48x36, types 75 6\n"), std::string::npos);
    // A word that is no command names a program to start.
    EXPECT_NE(out.find("Command Line: No program or association found for frobnicate!\n"
                       "Error code = 2\n"),
              std::string::npos)
        << out;
}

TEST_F(ConsoleSessionTest, HelpRequestPrintsTheCommandsHelpAndRunsNothing) {
    test::WriteFile(m_dir / "c/A.TXT", "a");
    Run("copy /? A.TXT E:\\\nLABEL C: X /?\nmd /? .\\NEW\nquit\n");
    const std::string out = m_out.str();
    for (const char* part :
         {"COPY SOURCE TARGET [/n] [/t] [/p] [/s] [/zp | /zrp]\n",
          "  /t      only files the target already has\n", "LABEL DRIVE NEWLABEL\n",
          "ext2, ext3, ext4 (e2label), FAT\n", "MD PATH   (also MKDIR)\n"})
        EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
    EXPECT_FALSE(test::FileExists(m_dir / "e/A.TXT"));
    EXPECT_FALSE(test::FileExists(m_dir / "c/NEW"));
}

TEST_F(ConsoleSessionTest, ExitQuestion) {
    test::WriteFile(Ini(), "[Advanced Settings]\nExit Without Prompting=0\n");
    const std::string before = test::ReadFile(Ini());
    std::istringstream in("exit\nn\nversion\nexit\nyes\nversion\n");
    ConsoleSession session(in, m_out, m_err, false);
    EXPECT_EQ(session.Run(), 0);
    const std::string out = m_out.str();
    size_t first = out.find("Exit Vorlane!: Do you wish to exit Vorlane?\n(y)es, (n)o?");
    ASSERT_NE(first, std::string::npos);
    size_t version = out.find("Vorlane 3.72\n", first);
    ASSERT_NE(version, std::string::npos); // the session went on after No
    EXPECT_NE(out.find("Exit Vorlane!", version), std::string::npos);
    EXPECT_EQ(out.find("Vorlane 3.72\n", out.find("Exit Vorlane!", version)),
              std::string::npos); // and ended after Yes
    EXPECT_NE(test::ReadFile(Ini()), before);
}

TEST_F(ConsoleSessionTest, EndOfInputOnTheExitQuestionLeaves) {
    test::WriteFile(Ini(), "[Advanced Settings]\nExit Without Prompting=0\n");
    EXPECT_EQ(Run("exit\n"), 0);
    EXPECT_EQ(LoadIni().GetInt("Startup Settings", "Initial Mode", 0), 101);
}

// A console run opens no windows; it once wrote back only the saved windows
// whose drive was there at that moment, so a drive absent for one run
// ("# of Drives" dropped) lost its window for good.
TEST_F(ConsoleSessionTest, ConsoleRunKeepsSavedWindowsWhoseDriveIsAbsent) {
    const std::string windows = "# of Drives=4\n"
                                "Drive Name 000=C:\nInitial Directory 000=C:\\DOCS\n"
                                "Window Layout 000=1,3,10,20,300,400\n"
                                "Drive Name 001=M:\nInitial Directory 001=M:\\\n"
                                "Window Layout 001=1,1,0,0,10,10\n"
                                "Drive Name 002=E:\\A.ZIP\nInitial Directory 002=E:\\A.ZIP\n"
                                "Window Layout 002=99,1,0,0,50,60\n"
                                "Drive Name 003=q:\nInitial Directory 003=Q:\\TMP\n"
                                "Window Layout 003=1,6,5,5,5,5\n";
    test::WriteFile(Ini(), "[Startup Settings]\nInitial Mode=106\n" + windows);
    EXPECT_EQ(Run("exit\n"), 0);
    platform::ProfileFile ini = LoadIni();
    EXPECT_EQ(ini.GetInt("Startup Settings", "# of Drives", 0), 4);
    EXPECT_NE(test::ReadFile(Ini()).find(windows), std::string::npos) << test::ReadFile(Ini());
}

TEST_F(ConsoleSessionTest, StartupActionsOfTheWindowedFrontEndAreSkippedWithANote) {
    test::WriteFile(Ini(), "[Startup Settings]\nInitial Mode=102\n");
    EXPECT_EQ(Run("exit\n"), 0);
    EXPECT_NE(m_out.str().find("needs the windowed front end"), std::string::npos);
}

} // namespace
} // namespace vorlane::console

namespace vorlane::console {
namespace {

// A copy run through the session: the question is answered on the
// console's input, the tree lands below the target, the notices arrive.
TEST_F(ConsoleSessionTest, RunsACopyOfATreeWithTheConsoleAnsweringItsQuestions) {
    test::WriteFile(m_dir / "c/KEEP.TXT", "old");
    ::mkdir((m_dir / "c/SRC").c_str(), 0700);
    test::WriteFile(m_dir / "c/SRC/A.TXT", "a");
    platform::DriveMap::SetCurrent(
        platform::DriveMap::FromSpec("C=" + m_dir.path() + "/c;E=" + m_dir.path() + "/e"));
    std::istringstream in("a\n"); // yes to all: make E:\SRC
    ConsoleSession session(in, m_out, m_err, false);
    fileops::CCopyParameters p;
    p.operation = fileops::kMoveDirectory;
    p.sourceDirectory = "C:\\SRC";
    p.targetPath = "E:\\";
    ui::ChangeRecorder notices;
    EXPECT_TRUE(session.RunCopy(p, &notices));
    EXPECT_EQ(test::ReadFile(m_dir / "e/SRC/A.TXT"), "a");
    EXPECT_FALSE(test::FileExists(m_dir / "c/SRC"));
    EXPECT_NE(m_out.str().find("Would you like to create the directory"), std::string::npos);
    EXPECT_EQ(notices.Descriptions(), std::vector<std::string>{"Renamed C:\\SRC -> E:\\SRC"});
    // A refused run says why and reports it did not run.
    p.targetPath = "C:\\SRC\\INSIDE";
    p.sourceDirectory = "C:\\";
    EXPECT_FALSE(session.RunCopy(p));
}

// A 1 by 1 PNG, the smallest picture a thumbnail object can hold.
const std::vector<uint8_t> kTinyPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
    0xDA, 0x63, 0x64, 0x60, 0xF8, 0x5F, 0x0F, 0x00, 0x02, 0x87, 0x01, 0x80, 0xEB, 0x47,
    0xBA, 0x92, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

TEST_F(ConsoleSessionTest, ThumbnailsFollowTheFilesTheCommandsRenameMoveAndDelete) {
    ::mkdir((m_dir / "c/PICS").c_str(), 0700);
    for (const char* name : {"A.JPG", "B.JPG", "C.JPG", "KEPT.JPG"})
        test::WriteFile(m_dir / (std::string("c/PICS/") + name), "picture");
    const std::string dat = m_dir / "home/VORLN32.DAT";
    {
        objdb::CObjectDatabase db;
        ASSERT_TRUE(db.Open(dat, true, objdb::kObjectDatabaseMaxRecordSize));
        viewers::CObjectDatabaseThumbnailStore store(db);
        for (const char* path :
             {"C:\\PICS\\A.JPG", "C:\\PICS\\B.JPG", "C:\\PICS\\C.JPG", "C:\\PICS\\KEPT.JPG"})
            ASSERT_TRUE(store.Put(viewers::ThumbnailKey(path),
                                  viewers::EncodeThumbnailObject(kTinyPng, path)));
    }
    std::istringstream in("ren c:\\pics\\a.jpg Z.JPG\n"
                          "del c:\\pics\\b.jpg /y\n"
                          "move c:\\pics\\c.jpg e:\\\n"
                          "exit\n");
    app::AppServices services;
    services.makeDatabase = objdb::MakeAppDatabase;
    ConsoleSession session(in, m_out, m_err, false, std::move(services));
    session.Run();
    ASSERT_TRUE(test::FileExists(m_dir / "c/PICS/Z.JPG")) << m_out.str();
    ASSERT_FALSE(test::FileExists(m_dir / "c/PICS/B.JPG")) << m_out.str();
    ASSERT_TRUE(test::FileExists(m_dir / "e/C.JPG")) << m_out.str();

    objdb::CObjectDatabase db;
    ASSERT_TRUE(db.Open(dat, false, objdb::kObjectDatabaseMaxRecordSize));
    viewers::CObjectDatabaseThumbnailStore store(db);
    // Each thumbnail went with its picture and says whose it is now.
    struct Case {
        const char* path;
        bool stored;
    } cases[] = {{"C:\\PICS\\A.JPG", false}, {"C:\\PICS\\Z.JPG", true},
                 {"C:\\PICS\\B.JPG", false}, {"C:\\PICS\\C.JPG", false},
                 {"E:\\C.JPG", true},        {"C:\\PICS\\KEPT.JPG", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<uint8_t> data;
        EXPECT_EQ(store.Get(viewers::ThumbnailKey(c.path), &data), c.stored);
        if (c.stored) {
            EXPECT_TRUE(viewers::ThumbnailBelongsTo(data, c.path));
        }
    }
}

} // namespace
} // namespace vorlane::console
