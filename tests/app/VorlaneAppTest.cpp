// The application object: construction, help, drive tables, start-up and
// shutdown order, the exit question, what is written with "Save Settings on
// Exit" cleared, saved windows, and failures at start and at save.
#include "app/VorlaneApp.h"
#include "AppFakes.h"
#include "platform/FaultInjection.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"
#include "ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::app {
namespace {

using test::FakeActions;
using test::FakeFrame;
using test::FakeHabitabs;

class VorlaneAppTest : public ::testing::Test {
  protected:
    VorlaneAppTest()
        : m_home("VORLANE_HOME", m_dir / "home"),
          m_drives("VORLANE_DRIVES", "C=" + m_dir.path() + "/c;D=" + m_dir.path() +
                                         "/d;M=" + m_dir.path() + "/missing"),
          m_installed(&m_ui) {
        ::mkdir((m_dir / "c").c_str(), 0700);
        ::mkdir((m_dir / "d").c_str(), 0700);
        m_ui.OnUnexpected([](const std::string& what) { ADD_FAILURE() << what; });
        platform::fault::Reset();
    }
    ~VorlaneAppTest() override { platform::fault::Reset(); }

    std::string IniPath() const { return m_dir / "home/VORLANE.INI"; }
    void WriteIni(const std::string& text) {
        ::mkdir((m_dir / "home").c_str(), 0700);
        test::WriteFile(IniPath(), text);
    }
    std::string ReadIni() { return test::FileExists(IniPath()) ? test::ReadFile(IniPath()) : ""; }
    platform::ProfileFile LoadIni() {
        platform::ProfileFile ini(IniPath());
        EXPECT_TRUE(ini.Load());
        return ini;
    }

    test::TempDir m_dir;
    test::ScopedEnv m_home;
    test::ScopedEnv m_drives;
    ui::ScriptedUserInterface m_ui;
    ui::ScopedUserInterface m_installed;
    FakeFrame m_frame;
    FakeActions m_actions;
};

TEST_F(VorlaneAppTest, DriveTablesAndShownDriveQueries) {
    WriteIni("[Drive Settings]\nDrives=abcd.fghijklmnopqrstuvwxyz\n");
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    ASSERT_EQ(app.DriveTypes().size(), 26u);
    EXPECT_TRUE(app.IsDrivePresent('d'));
    EXPECT_FALSE(app.IsDrivePresent('M')); // mapped onto a missing directory
    EXPECT_FALSE(app.IsDrivePresent('1'));
    EXPECT_EQ(app.Settings().shownDrives, "..cd......................");

    struct Case {
        int from;
        int expected;
    } cases[] = {{'a', 'C'}, {'d', 'D'}, {'E', 0}, {'1', 'C'}, {'{', 'C'}};
    for (const Case& c : cases)
        EXPECT_EQ(app.FirstShownDrive(c.from), c.expected) << static_cast<char>(c.from);
}

TEST_F(VorlaneAppTest, StartUpOrder) {
    auto log = std::make_shared<test::DatabaseLog>();
    log->store.records["Thumbnail Settings"] = EncodeIntArray({64, 48, 9});
    FakeHabitabs habitabs;
    AppServices services = test::DatabaseServices(log);
    services.habitabs = &habitabs;
    WriteIni("[General]\n# of Habitabs=3\nWindow Top=5\n[Startup Settings]\nInitial Mode=104\n");

    VorlaneApp app(services);
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    EXPECT_EQ(log->openedPath, m_dir / "home/VORLN32.DAT");
    EXPECT_EQ(log->maxRecordSize, 30000);
    EXPECT_EQ(habitabs.loads, 1);
    EXPECT_EQ(habitabs.loadedCount, 3);
    EXPECT_EQ(app.Settings().thumbnailWidth, 64); // through the database's store
    EXPECT_TRUE(m_frame.created);
    EXPECT_EQ(m_frame.frame.top, 5);
    EXPECT_EQ(m_frame.notice, "Vorlane 3.72");
    EXPECT_EQ(m_actions.calls, std::vector<std::string>{"new archive"});
    EXPECT_EQ(app.Shutdown(m_frame), 0);
    EXPECT_TRUE(log->closed);
}

TEST_F(VorlaneAppTest, StartUpActions) {
    struct Case {
        int mode;
        bool minimised;
        std::vector<std::string> calls;
    } cases[] = {
        {102, false, {"log drive dialog"}},
        {103, false, {"log current drive"}},
        {105, false, {"open archive"}},
        {102, true, {}},
        {100, false, {}},
        {107, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        WriteIni("[Startup Settings]\nInitial Mode=" + std::to_string(c.mode) + "\n");
        FakeActions actions;
        VorlaneApp app;
        ASSERT_TRUE(app.Start(m_frame, actions, c.minimised));
        EXPECT_EQ(actions.calls, c.calls);
        app.Shutdown(m_frame);
    }
}

TEST_F(VorlaneAppTest, DatabaseThatCannotBeOpenedEndsTheProgramBeforeTheSettings) {
    const std::string before = "[Advanced Settings]\nFile Launch=0\n";
    WriteIni(before);
    auto log = std::make_shared<test::DatabaseLog>();
    {
        VorlaneApp app(test::DatabaseServices(log, /*failOpen=*/true));
        EXPECT_FALSE(app.Start(m_frame, m_actions, false));
        EXPECT_EQ(app.ExitCode(), 255);
        EXPECT_FALSE(m_frame.created);
        EXPECT_TRUE(app.Settings().fileLaunch); // the settings were not read
        EXPECT_EQ(app.Shutdown(m_frame), 255);
    }
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    // The fixed text, then the reason the database gave on the next line.
    EXPECT_EQ(m_ui.Shown()[0].text,
              std::string(VorlaneApp::kDatabaseOpenFailed) + "\nlocked by another instance");
    EXPECT_EQ(ReadIni(), before);
    EXPECT_EQ(m_frame.cleanUps, 0);
}

TEST_F(VorlaneAppTest, ExitQuestion) {
    WriteIni("[Advanced Settings]\nExit Without Prompting=0\n");
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    const std::string before = ReadIni();

    m_ui.QueueYesNo(false);
    EXPECT_FALSE(app.CloseQuery(m_frame));
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].text, "Do you wish to exit Vorlane?");
    EXPECT_EQ(ReadIni(), before); // answered No: nothing written

    m_frame.canClose = false; // the frame refuses: no question at all
    EXPECT_FALSE(app.CloseQuery(m_frame));
    EXPECT_EQ(m_ui.Shown().size(), 1u);

    m_frame.canClose = true;
    m_ui.QueueYesNo(true);
    EXPECT_TRUE(app.CloseQuery(m_frame));
    EXPECT_EQ(app.Shutdown(m_frame), 0);
    EXPECT_TRUE(m_ui.AllAnswersUsed());
}

TEST_F(VorlaneAppTest, FreshExitWritesEveryDefaultKeyInOneRewrite) {
    {
        VorlaneApp app;
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        ASSERT_TRUE(app.CloseQuery(m_frame));
        platform::fault::Reset();
        app.Shutdown(m_frame);
        EXPECT_EQ(platform::fault::Calls(platform::fault::Op::Rename), 1);
    }
    platform::ProfileFile ini = LoadIni();
    struct Key {
        const char* section;
        const char* key;
        const char* value;
    } keys[] = {
        {"Advanced Settings", "File Launch", "1"},
        {"Drive Settings", "Drives", "..cd......................"},
        {"Editor Settings", "Work Directory", ""},
        {"Startup Settings", "Initial Mode", "101"},
        {"General", "Window Top", "-1"},
    };
    for (const Key& k : keys)
        EXPECT_EQ(ini.GetString(k.section, k.key, "<none>"), k.value) << k.key;
    EXPECT_TRUE(ini.HasKey("Path Settings", "Zip Temp Path"));
    EXPECT_FALSE(ini.HasKey("Startup Settings", "# of Drives")); // only under mode 106
}

TEST_F(VorlaneAppTest, SaveSettingsOnExitClearedStillWritesHabitabsFrameKeysAndSavedWindows) {
    WriteIni("[Advanced Settings]\nSave Settings on Exit=0\nFile Launch=0\n"
             "[Startup Settings]\nInitial Mode=106\n");
    FakeHabitabs habitabs;
    AppServices services;
    services.habitabs = &habitabs;
    auto log = std::make_shared<test::DatabaseLog>();
    services.makeDatabase = test::DatabaseServices(log).makeDatabase;
    {
        VorlaneApp app(services);
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        app.MutableSettings().fileLaunch = true; // changed, but must not be saved
        m_frame.frame.width = 640;
        m_frame.windows = {{"C:", kDriveKindPlain, "C:\\", 1, 1, 2, 3, 4}};
        ASSERT_TRUE(app.CloseQuery(m_frame));
        app.Shutdown(m_frame);
    }
    platform::ProfileFile ini = LoadIni();
    EXPECT_EQ(habitabs.saves, 1);
    EXPECT_EQ(ini.GetInt("General", "# of Habitabs", 0), 1);
    EXPECT_EQ(ini.GetInt("General", "Window Width", 0), 640);
    EXPECT_EQ(ini.GetInt("Startup Settings", "# of Drives", 0), 1);
    EXPECT_EQ(ini.GetString("Startup Settings", "Window Layout 000"), "1,1,1,2,3,4");
    EXPECT_EQ(ini.GetInt("Advanced Settings", "File Launch", -1), 0);
    EXPECT_FALSE(ini.HasKey("Viewer Settings", "View JPEG Files"));
    EXPECT_EQ(ini.GetInt("Startup Settings", "Initial Mode", 0), 106);
    EXPECT_TRUE(log->store.records.empty()); // no fonts, no thumbnail settings
}

// The HabiTabs dialog's save: the habitabs at once, nothing else, and
// never over a file the run must leave alone.
TEST_F(VorlaneAppTest, SaveHabitabsWritesTheHabitabsAloneAndRespectsAFrozenFile) {
    WriteIni("[Advanced Settings]\nSave Settings on Exit=1\nFile Launch=0\n");
    FakeHabitabs habitabs;
    AppServices services;
    services.habitabs = &habitabs;
    {
        VorlaneApp app(services);
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        app.MutableSettings().fileLaunch = true; // not the dialog's to save
        const int waits = m_ui.WaitCalls();
        EXPECT_TRUE(app.SaveHabitabs());
        EXPECT_EQ(m_ui.WaitCalls(), waits + 1) << "under the wait cursor";
        EXPECT_EQ(m_ui.WaitDepth(), 0);
        EXPECT_EQ(habitabs.saves, 1);
        platform::ProfileFile ini = LoadIni();
        EXPECT_EQ(ini.GetString("Habitab 00 Settings", "Name"), "Default");
        EXPECT_EQ(ini.GetInt("Advanced Settings", "File Launch", -1), 0);

        WriteIni("[Advanced Settings]\nFile Launch=0\n"); // the habitabs to write again
        ASSERT_EQ(::chmod(IniPath().c_str(), 0444), 0);
        EXPECT_FALSE(app.SaveHabitabs());
        EXPECT_FALSE(app.SaveHabitabs());
        ASSERT_EQ(::chmod(IniPath().c_str(), 0644), 0);
        app.MutableSettings().saveSettingsOnExit = false;
        ASSERT_TRUE(app.CloseQuery(m_frame));
        app.Shutdown(m_frame);
    }
    ASSERT_EQ(m_ui.Shown().size(), 1u) << "read-only is said once";
    EXPECT_NE(m_ui.Shown()[0].text.find("is read-only"), std::string::npos);
    EXPECT_FALSE(VorlaneApp().SaveHabitabs()) << "no habitab hook installed";
}

TEST_F(VorlaneAppTest, SavedWindowsRoundTripThroughExitAndStart) {
    WriteIni("[Startup Settings]\nInitial Mode=106\n# of Drives=7\n");
    {
        VorlaneApp app;
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        EXPECT_TRUE(m_actions.opened.empty()); // keys of 7 windows that are not there
        m_frame.windows = {
            {"C:", kDriveKindPlain, "C:\\DOCS", 3, 10, 20, 300, 400},
            {"A:\\SET.ZIP", kDriveKindMultiVolumeZip, "A:\\SET.ZIP", 1, 0, 0, 10, 10},
            {"M:", kDriveKindPlain, "M:\\", 1, 0, 0, 10, 10},
            {"d:\\X.ZIP", kDriveKindZip, "D:\\X.ZIP", 6, 0, 0, 50, 60},
        };
        ASSERT_TRUE(app.CloseQuery(m_frame));
        app.Shutdown(m_frame);
    }
    FakeActions actions;
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, actions, false));
    // M: has no drive behind it and is skipped; the rest open in order.
    std::vector<SavedWindow> expected = {
        {"C:", kDriveKindPlain, "C:\\DOCS", 3, 10, 20, 310, 420},
        {"D:\\X.ZIP", kDriveKindZip, "D:\\X.ZIP", 6, 0, 0, 50, 60},
    };
    EXPECT_EQ(actions.opened, expected);
    app.Shutdown(m_frame);
}

TEST_F(VorlaneAppTest, FrontEndWithoutWindowsKeepsTheSavedOnes) {
    const std::string windows = "# of Drives=2\nDrive Name 000=Q:\nInitial Directory 000=Q:\\\n"
                                "Window Layout 000=1,1,0,0,10,10\nDrive Name 001=C:\n"
                                "Initial Directory 001=C:\\\nWindow Layout 001=1,1,0,0,10,10\n";
    WriteIni("[Startup Settings]\nInitial Mode=106\n" + windows);
    m_frame.hasWindows = false;
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    ASSERT_TRUE(app.CloseQuery(m_frame));
    app.Shutdown(m_frame);
    EXPECT_NE(ReadIni().find(windows), std::string::npos) << ReadIni();
}

TEST_F(VorlaneAppTest, SavedWindowKeysAreNeitherReadNorWrittenOutsideMode106) {
    const std::string windows = "# of Drives=1\nDrive Name 000=C:\nInitial Directory 000=C:\\\n"
                                "Window Layout 000=1,1,0,0,10,10\n";
    WriteIni("[Startup Settings]\nInitial Mode=101\n" + windows);
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    EXPECT_TRUE(m_actions.calls.empty());
    m_frame.windows = {{"D:", kDriveKindPlain, "D:\\", 1, 0, 0, 1, 1}};
    ASSERT_TRUE(app.CloseQuery(m_frame));
    app.Shutdown(m_frame);
    platform::ProfileFile ini = LoadIni();
    EXPECT_EQ(ini.GetInt("Startup Settings", "# of Drives", 0), 1);
    EXPECT_EQ(ini.GetString("Startup Settings", "Drive Name 000"), "C:");
}

TEST_F(VorlaneAppTest, FailedSaveGivesAClearMessageKeepsTheOldFileAndStillExits) {
    struct Case {
        const char* name;
        platform::fault::Op op;
        int error;
    } cases[] = {{"directory not writable", platform::fault::Op::Open, EACCES},
                 {"rename refused", platform::fault::Op::Rename, EROFS}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni("[Advanced Settings]\nFile Launch=0\n");
        const std::string before = ReadIni();
        m_ui.Reset();
        VorlaneApp app;
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        ASSERT_TRUE(app.CloseQuery(m_frame));
        platform::fault::Arm(c.op, 1, c.error, /*sticky=*/true);
        EXPECT_EQ(app.Shutdown(m_frame), 0);
        platform::fault::Reset();
        ASSERT_EQ(m_ui.Shown().size(), 1u);
        EXPECT_EQ(m_ui.Shown()[0].text.rfind(
                      "Unable to save the Vorlane settings to '" + IniPath() + "'!\n\n", 0),
                  0u)
            << m_ui.Shown()[0].text;
        EXPECT_EQ(ReadIni(), before);
    }
}

// A settings file that could not be read was reported only at exit, after a
// whole session on the defaults; and when it could be read again by then,
// the defaults replaced it.
TEST_F(VorlaneAppTest, UnreadableSettingsFileIsReportedAtStartAndNeverReplaced) {
    const std::string kept = "[Advanced Settings]\nFile Launch=0\n[Startup Settings]\n"
                             "Initial Mode=106\n";
    struct Case {
        const char* name;
        std::function<void()> arrange; // makes the read at start fail
        const char* reason;
    } cases[] = {
        {"a read error that passes",
         [&] {
             WriteIni(kept);
             platform::fault::Arm(platform::fault::Op::Open, 1, EIO);
         },
         "Input/output error"},
        {"a directory in its place",
         [&] {
             ::unlink(IniPath().c_str());
             ::mkdir(IniPath().c_str(), 0700);
         },
         "Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::mkdir((m_dir / "home").c_str(), 0700);
        m_ui.Reset();
        {
            VorlaneApp app;
            c.arrange();
            ASSERT_TRUE(app.Start(m_frame, m_actions, false));
            platform::fault::Reset();
            EXPECT_EQ(m_frame.noticeProblem.rfind(
                          "Unable to read the Vorlane settings file '" + IniPath() + "'", 0),
                      0u)
                << m_frame.noticeProblem;
            EXPECT_NE(m_frame.noticeProblem.find(c.reason), std::string::npos)
                << m_frame.noticeProblem;
            EXPECT_TRUE(app.Settings().fileLaunch); // the defaults
            app.MutableSettings().autoTile = true;
            EXPECT_FALSE(app.SaveSettings()); // the General Settings sheet's save
            EXPECT_FALSE(app.WriteInt("Startup Settings", "Initial Mode", 103)); // a dialog's
            m_frame.windows = {{"C:", kDriveKindPlain, "C:\\", 1, 0, 0, 1, 1}};
            ASSERT_TRUE(app.CloseQuery(m_frame));
            EXPECT_EQ(app.Shutdown(m_frame), 0);
        }
        ASSERT_EQ(m_ui.Shown().size(), 1u); // the sheet's save only; nothing at exit
        EXPECT_NE(m_ui.Shown()[0].text.find("The settings were not saved."), std::string::npos);
        if (test::FileExists(IniPath() + "/.")) {
            EXPECT_EQ(::rmdir(IniPath().c_str()), 0); // still the directory, still empty
        } else {
            EXPECT_EQ(ReadIni(), kept);
        }
    }
    // A started run after the file came back reads it again.
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    EXPECT_EQ(m_frame.noticeProblem, "");
    app.Shutdown(m_frame);
}

TEST_F(VorlaneAppTest, SettingsThatCannotBePlacedAreReportedAtExit) {
    test::WriteFile(m_dir / "plainfile", "x");
    test::ScopedEnv home("VORLANE_HOME", m_dir / "plainfile/home");
    VorlaneApp app;
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    EXPECT_EQ(m_frame.noticeProblem, ""); // there is no file to read
    ASSERT_TRUE(app.CloseQuery(m_frame));
    EXPECT_EQ(app.Shutdown(m_frame), 0);
    EXPECT_TRUE(m_ui.Showed("Unable to save the Vorlane settings to '" + m_dir.path() +
                            "/plainfile/home/VORLANE.INI'"));
}

// A read-only VORLANE.INI (how users freeze their settings) was replaced at
// exit by the atomic rename.
TEST_F(VorlaneAppTest, ReadOnlySettingsFileIsLeftAloneAndSaidOnce) {
    const std::string frozen = "[Advanced Settings]\nFile Launch=0\n";
    WriteIni(frozen);
    ASSERT_EQ(::chmod(IniPath().c_str(), 0444), 0);
    {
        VorlaneApp app;
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        EXPECT_EQ(m_frame.noticeProblem, "");
        EXPECT_FALSE(app.Settings().fileLaunch); // read as usual
        app.MutableSettings().autoTile = true;
        EXPECT_FALSE(app.WriteInt("Startup Settings", "Initial Mode", 103)); // a dialog's key
        EXPECT_FALSE(app.SaveSettings());
        m_frame.frame.width = 640;
        ASSERT_TRUE(app.CloseQuery(m_frame));
        EXPECT_EQ(app.Shutdown(m_frame), 0);
    }
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].text, "The Vorlane settings file '" + IniPath() +
                                        "' is read-only: Vorlane leaves it as it is and does "
                                        "not save the settings of this session.");
    EXPECT_EQ(ReadIni(), frozen);
    EXPECT_EQ(test::FileMode(IniPath()), 0444u);
}

TEST_F(VorlaneAppTest, FontsAndThumbnailsGoToTheDatabaseOnlyWhenSavingSettings) {
    auto log = std::make_shared<test::DatabaseLog>();
    log->store.records["\\Fonts\\Tree List"] = std::vector<uint8_t>(59, 0); // not a font
    {
        VorlaneApp app(test::DatabaseServices(log));
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        EXPECT_EQ(app.Settings().Font(FontSlot::Tree), DefaultFont(FontSlot::Tree));
        app.MutableSettings().fonts[5] = LogFont::Make("Mono", -10);
        ASSERT_TRUE(app.CloseQuery(m_frame));
        app.Shutdown(m_frame);
    }
    EXPECT_EQ(log->store.records.size(), 7u);
    LogFont tree;
    ASSERT_TRUE(LogFont::Decode(log->store.records["\\Fonts\\Tree List"], &tree));
    EXPECT_EQ(tree.faceName, "Mono");

    log->store.refusePuts = true;
    VorlaneApp app(test::DatabaseServices(log));
    ASSERT_TRUE(app.Start(m_frame, m_actions, false));
    ASSERT_TRUE(app.CloseQuery(m_frame));
    app.Shutdown(m_frame);
    EXPECT_TRUE(m_ui.Showed("Unable to save the fonts and thumbnail settings"));
}

TEST_F(VorlaneAppTest, DestroyedWithoutShutdownStillSaves) {
    {
        VorlaneApp app;
        ASSERT_TRUE(app.Start(m_frame, m_actions, false));
        app.MutableSettings().autoTile = true;
    }
    EXPECT_EQ(LoadIni().GetInt("Window Settings", "AutoTile", 0), 1);
}

} // namespace
} // namespace vorlane::app
