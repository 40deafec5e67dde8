#include "AppFrameTest.h"

#include <sys/stat.h>

namespace vorlane::gui::test {

using StartupTest = AppFrameTest;

TEST_F(StartupTest, ExitQuestionDeclinedKeepsTheProgramRunning) {
    WriteIni("[Advanced Settings]\nExit Without Prompting=0\n");
    Start();
    m_ui.QueueYesNo(false);
    EXPECT_FALSE(m_appFrame->close());
    EXPECT_TRUE(m_appFrame->isVisible());
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].text, "Do you wish to exit Vorlane?");
    EXPECT_EQ(m_ui.Shown()[0].caption, "Exit Vorlane!");

    m_ui.QueueYesNo(true);
    m_appFrame->RunCommand(24310); // Exit
    EXPECT_FALSE(m_appFrame->isVisible());
    EXPECT_TRUE(m_ui.AllAnswersUsed());
}

TEST_F(StartupTest, ExitWithoutPromptingClosesAtOnceAndWritesTheFrameKeys) {
    WriteIni("[Advanced Settings]\nExit Without Prompting=1\nSave Settings on Exit=0\n");
    Start();
    m_appFrame->setGeometry(40, 50, 900, 600);
    EXPECT_TRUE(m_appFrame->close());
    EXPECT_TRUE(m_ui.Shown().empty());
    EXPECT_EQ(Shutdown(), 0);
    platform::ProfileFile ini = Ini();
    EXPECT_EQ(ini.GetInt("General", "Window Width", -1), 900);
    EXPECT_EQ(ini.GetInt("General", "Window Height", -1), 600);
    EXPECT_EQ(ini.GetInt("General", "Display Drive Bar", -1), 1);
    EXPECT_EQ(ini.GetInt("General", "Window ShowMode", -1), 1);
}

TEST_F(StartupTest, StoredGeometryAndBarsAreApplied) {
    WriteIni("[General]\nWindow Top=30\nWindow Left=20\nWindow Width=800\nWindow Height=500\n"
             "Display Tool Bar=0\n");
    Start();
    EXPECT_EQ(m_appFrame->geometry().size(), QSize(800, 500));
    EXPECT_FALSE(m_appFrame->Settings().displayToolBar);
    EXPECT_FALSE(m_appFrame->Action(14640)->isChecked());
}

TEST_F(StartupTest, SavedWindowsAreReopenedAndRememberedAgain) {
    WriteIni("[Startup Settings]\nInitial Mode=106\n# of Drives=3\n"
             "Drive Name 000=c:\nInitial Directory 000=C:\\SUB\n"
             "Window Layout 000=1,1,10,20,300,200\n"
             "Drive Name 001=Q:\nInitial Directory 001=Q:\\\n"
             "Window Layout 001=1,1,0,0,300,200\n"
             "Drive Name 002=D:\nInitial Directory 002=D:\\\n"
             "Window Layout 002=1,1,320,20,300,200\n");
    Start();
    QList<TFileManagerWindow*> windows = m_appFrame->FileManagers();
    ASSERT_EQ(windows.size(), 2); // Q: does not exist and is skipped
    EXPECT_EQ(windows[0]->Session().CurrentDirectoryPath(), "C:\\SUB");
    EXPECT_EQ(windows[1]->Caption(), "Drive D");
    QMdiSubWindow* first = m_appFrame->MdiArea()->subWindowList(QMdiArea::CreationOrder)[0];
    EXPECT_EQ(first->geometry(), QRect(10, 20, 300, 200));

    windows[1]->GoTo("D:\\");
    EXPECT_TRUE(m_appFrame->close());
    Shutdown();
    platform::ProfileFile ini = Ini();
    EXPECT_EQ(ini.GetInt("Startup Settings", "# of Drives", 0), 2);
    EXPECT_EQ(ini.GetString("Startup Settings", "Drive Name 000"), "C:");
    EXPECT_EQ(ini.GetString("Startup Settings", "Initial Directory 000"), "C:\\SUB");
    EXPECT_EQ(ini.GetString("Startup Settings", "Window Layout 000"), "1,1,10,20,300,200");
    EXPECT_EQ(ini.GetString("Startup Settings", "Drive Name 001"), "D:");
}

TEST_F(StartupTest, UnreadableSettingsFileIsReportedOnTheStartupNotice) {
    ::mkdir(IniPath().c_str(), 0700); // a directory where the file belongs
    Start();
    ASSERT_EQ(m_notices.size(), 1);
    EXPECT_TRUE(m_notices[0].startsWith("Vorlane / Version 3.72 / Unable to read the Vorlane "
                                        "settings file '" +
                                        QString::fromStdString(IniPath()) + "'"))
        << m_notices[0].toStdString();
    EXPECT_TRUE(m_appFrame->close());
    EXPECT_EQ(Shutdown(), 0);
    EXPECT_TRUE(m_ui.Shown().empty()); // said once, at the start
    EXPECT_EQ(::rmdir(IniPath().c_str()), 0);
}

// Each Initial Mode runs its start-up action after the start-up notice,
// which comes once with the product line and the version.
struct ModeCase {
    const char* name;
    int mode;
    int windows;         // file manager windows open after the start-up
    const char* dialogs; // the dialogs run, with the notices seen before
    const char* asked;   // the caption of the file question asked, if any
};

class StartupModeTest : public AppFrameTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(StartupModeTest, RunsTheStartupActionAfterTheNotice) {
    const ModeCase& c = GetParam();
    WriteIni("[Startup Settings]\nInitial Mode=" + std::to_string(c.mode) + "\n");
    QStringList dialogs;
    OnDialog = [&](QDialog& dialog) {
        dialogs << QString("%1 after %2 notice(s)").arg(dialog.windowTitle()).arg(m_notices.size());
        return static_cast<int>(QDialog::Rejected);
    };
    if (c.mode == 104)
        m_ui.QueueSaveFile(std::nullopt); // the user cancels the file dialog
    Start();
    EXPECT_EQ(m_notices, QStringList({"Vorlane / Version 3.72"}));
    EXPECT_EQ(dialogs.join("; "), c.dialogs);
    ASSERT_EQ(m_appFrame->FileManagers().size(), c.windows);
    if (c.windows) {
        EXPECT_EQ(m_appFrame->FileManagers()[0]->Caption().left(6), "Drive ");
    }
    ASSERT_EQ(m_ui.Shown().size(), *c.asked ? 1u : 0u);
    if (*c.asked) {
        EXPECT_EQ(m_ui.Shown()[0].caption, c.asked);
    }
}

const ModeCase kModes[] = {
    {"Nothing", 101, 0, "", ""},
    {"LogDriveDialog", 102, 0, "Log Drive after 1 notice(s)", ""},
    {"LogCurrentDrive", 103, 1, "", ""},
    {"NewArchive", 104, 0, "", "New Archive File"},
};
INSTANTIATE_TEST_SUITE_P(InitialModes, StartupModeTest, ::testing::ValuesIn(kModes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace vorlane::gui::test
