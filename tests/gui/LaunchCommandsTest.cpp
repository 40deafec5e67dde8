// Open (Enter, double click), Edit, Run with its dialog and history,
// "Minimize on Launch" and Open With, with a recording program standing
// for the desktop's opener, the editor and every application.
#include "AppFrameTest.h"

#include "fileops/Launch.h"
#include "gui/COpenWithDialog.h"
#include "gui/CRunDialog.h"
#include "platform/DosPath.h"
#include "support/RecordingProgram.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::gui::test {

namespace {

using vorlane::test::AwaitRecording;
using vorlane::test::ScopedEnv;

// The recorder as opener, editor and application; its record in m_out.
class LaunchTestBase {
  protected:
    LaunchTestBase() { vorlane::test::WriteRecordingProgram(m_tools / "rec", m_out); }
    std::string Recorded() {
        std::string text = AwaitRecording(m_out);
        std::remove(m_out.c_str());
        std::remove((m_out + ".done").c_str());
        return text;
    }
    // Saves a picture of a dialog when VORLANE_SHOTS names a directory.
    vorlane::test::TempDir m_tools;
    std::string m_out = m_tools / "out.txt";
    ScopedEnv m_opener{"VORLANE_OPENER", m_tools / "rec"};
    vorlane::test::TempDir m_temp;
    ScopedEnv m_tmpdir{"TMPDIR", m_temp.path()};
};

class LaunchCommandsTest : public GuiTest, public LaunchTestBase {
  protected:
    TFileManagerWindow& Window() {
        TFileManagerWindow& w = Open();
        Frame().activateWindow();
        Pump();
        return w;
    }
    // The file list with the focus and the caret on name.
    void FocusFile(TFileManagerWindow& w, const std::string& name) {
        w.DetailsView()->setFocus();
        ASSERT_TRUE(w.Session().SetCaretByName(name)) << name;
        w.DetailsView()->setCurrentIndex(w.FileModel()->index(w.Session().Caret(), 0));
    }

    MemorySettingsStore m_store;
};

} // namespace

TEST_F(LaunchCommandsTest, EnterAndDoubleClickOpenAFileAsOneArgument) {
    // Names a shell would split or run, and one an option parser would take.
    const char* names[] = {"my file;$(touch x).txt", "-rf.txt", "quo\"te's.txt"};
    for (const char* name : names)
        std::ofstream(m_c / name) << "x";
    TFileManagerWindow& w = Window();
    for (const char* name : names) {
        SCOPED_TRACE(name);
        FocusFile(w, platform::HostNameToDos(name));
        QTest::keyClick(w.DetailsView(), Qt::Key_Return);
        EXPECT_EQ(Recorded(), m_c.path() + "\n[" + (m_c / name) + "]\n");
        // The view's double click (the offscreen platform makes no real one).
        emit w.DetailsView()->doubleClicked(w.DetailsView()->currentIndex());
        EXPECT_EQ(Recorded(), m_c.path() + "\n[" + (m_c / name) + "]\n");
    }
    EXPECT_FALSE(Exists(m_c / "x"));
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(LaunchCommandsTest, AZipMemberOpensAsAPrivateCopy) {
    vorlane::test::TempDir stage;
    std::ofstream(stage / "notes.txt") << "inside";
    ASSERT_EQ(
        std::system(
            ("cd '" + stage.path() + "' && zip -q '" + (m_c / "ARCH.ZIP") + "' notes.txt").c_str()),
        0);
    TFileManagerWindow& w = Window();
    w.GoTo("C:\\ARCH.ZIP");
    FocusFile(w, "NOTES.TXT");
    Frame().RunCommand(kCmdOpenFile);
    PumpUntil([&] { return Exists(m_out + ".done"); });
    const std::string recorded = Recorded();
    const std::string prefix = m_temp.path() + "/vorlane-launch-";
    ASSERT_NE(recorded.find("[" + prefix), std::string::npos) << recorded;
    const std::string copy =
        recorded.substr(recorded.find('[') + 1, recorded.rfind(']') - recorded.find('[') - 1);
    EXPECT_EQ(ReadAll(copy), "inside");
    EXPECT_EQ(vorlane::test::FileMode(copy.substr(0, copy.rfind('/'))), 0700u);
    // The copy stays for the program, and goes with the frame.
    m_frame.reset();
    EXPECT_FALSE(Exists(copy));
}

TEST_F(LaunchCommandsTest, RunOpensOnlyFromTheTreeOrTheListAndFillsTheDialog) {
    TFileManagerWindow& w = Window();
    int dialogs = 0;
    RunDialogTransfer seen;
    Frame().SetDialogRunner([&](QDialog& dialog) {
        auto* run = dynamic_cast<CRunDialog*>(&dialog);
        EXPECT_NE(run, nullptr);
        ++dialogs;
        seen = run->Transfer();
        EXPECT_EQ(run->DirectoryLabel()->text().toStdString(), seen.directory);
        return static_cast<int>(QDialog::Rejected);
    });
    struct Case {
        const char* name;
        std::function<void()> focus;
        int dialogs;
        std::string directory;
        std::string commandLine;
    } cases[] = {
        {"the path bar",
         [&] {
             for (QLineEdit* field : w.findChildren<QLineEdit*>())
                 if (field->isVisible())
                     field->setFocus();
         },
         0, "", ""},
        {"the tree", [&] { w.Tree()->setFocus(); }, 1, "C:\\", ""},
        {"the list", [&] { FocusFile(w, "alpha.txt"); }, 1, "C:\\", "alpha.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs = 0;
        seen = {};
        c.focus();
        Pump();
        Frame().RunCommand(kCmdRunFile);
        EXPECT_EQ(dialogs, c.dialogs);
        EXPECT_EQ(seen.directory, c.directory);
        EXPECT_EQ(seen.commandLine, c.commandLine);
    }
}

TEST_F(LaunchCommandsTest, TheRunDialogStaysOpenOnFailureAndKeepsItsHistory) {
    m_store.Write("FileRun", "CommandLine####", "2");
    m_store.Write("FileRun", "CommandLine0000", "older one");
    m_store.Write("FileRun", "CommandLine0001", "oldest");
    int launches = 0;
    std::string launched;
    {
        CRunDialog dialog({"", "C:\\SUB", 1, false}, [&](const RunDialogTransfer& t) {
            ++launches;
            launched = t.commandLine;
            return t.commandLine == "good";
        });
        EXPECT_EQ(dialog.windowTitle(), "Run");
        ASSERT_EQ(dialog.CommandLineField()->count(), 2);
        EXPECT_EQ(dialog.CommandLineField()->itemText(0), "older one");
        EXPECT_EQ(dialog.CommandLineField()->lineEdit()->maxLength(), 255);
        EXPECT_EQ(dialog.ShowButton(1)->text(), "Run &Normal");
        EXPECT_EQ(dialog.ShowButton(2)->text(), "Run &Minimized");
        EXPECT_EQ(dialog.ShowButton(3)->text(), "Run Maximized");
        EXPECT_TRUE(dialog.ShowButton(1)->isChecked());
        EXPECT_EQ(dialog.BrowseButton()->text(), "&Browse...");
        bool labelled = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            labelled = labelled || label->text() == "Current Directory:";
        EXPECT_TRUE(labelled);

        m_ui.QueueOpenFile(std::string("C:\\SUB\\my tool.sh"));
        dialog.BrowseButton()->click();
        EXPECT_EQ(dialog.CommandLineField()->currentText(), "\"C:\\SUB\\my tool.sh\"");
        ASSERT_FALSE(m_ui.Shown().empty());
        EXPECT_EQ(m_ui.Shown().back().caption, "Browse");
        EXPECT_EQ(m_ui.Shown().back().text.rfind(CRunDialog::kBrowseFilter, 0), 0u);

        dialog.ShowButton(3)->setChecked(true);
        dialog.CommandLineField()->setEditText("   bad");
        dialog.accept();
        EXPECT_EQ(launched, "bad"); // leading blanks gone
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Transfer().showCommand, 3);
        dialog.CommandLineField()->setEditText("good");
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(launches, 2);
        Shot(dialog, "run-dialog.png");
    }
    // Written back when the dialog went: newest first, each once.
    EXPECT_EQ(m_store.Read("FileRun", "CommandLine####"), "4");
    EXPECT_EQ(m_store.Read("FileRun", "CommandLine0000"), "good");
    EXPECT_EQ(m_store.Read("FileRun", "CommandLine0001"), "   bad");
    EXPECT_EQ(m_store.Read("FileRun", "CommandLine0002"), "older one");
}

TEST_F(LaunchCommandsTest, RunLaunchesThroughTheFrameWithTheDialogsDirectory) {
    TFileManagerWindow& w = Window();
    w.Tree()->setFocus();
    Pump();
    std::vector<std::string> texts;
    Frame().SetDialogRunner([&](QDialog& dialog) {
        auto* run = static_cast<CRunDialog*>(&dialog);
        run->CommandLineField()->setEditText("    ");
        run->accept();
        run->CommandLineField()->setEditText(
            QString::fromStdString(fileops::QuoteCommandWord(m_tools / "rec") + " \"a b\" $(x)"));
        run->accept();
        return run->result();
    });
    Frame().RunCommand(kCmdRunFile);
    EXPECT_EQ(Recorded(), m_c.path() + "\n[a b]\n[$(x)]\n");
    EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{"No program or document has been specified!"});
}

TEST_F(LaunchCommandsTest, OpenWithListsTheTypesApplicationsOpensAndSetsTheDefault) {
    vorlane::test::TempDir xdg;
    ::mkdir((xdg / "applications").c_str(), 0755);
    ::mkdir((xdg / "config").c_str(), 0755);
    vorlane::test::WriteFile(xdg / "applications/rec.desktop",
                             "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" +
                                 (m_tools / "rec") + " --flag %f\nMimeType=text/plain;\n");
    vorlane::test::WriteFile(xdg / "applications/other.desktop",
                             "[Desktop Entry]\nType=Application\nName=Other\nExec=other %U\n"
                             "MimeType=text/plain;\n");
    vorlane::test::WriteFile(xdg / "config/mimeapps.list",
                             "[Default Applications]\ntext/plain=rec.desktop\n");
    ScopedEnv dataHome("XDG_DATA_HOME", xdg.path());
    // The system's directories hold applications of their own; only its
    // MIME database is wanted (the file's type is looked up there).
    ::mkdir((xdg / "system").c_str(), 0755);
    ::symlink("/usr/share/mime", (xdg / "system/mime").c_str());
    ScopedEnv dataDirs("XDG_DATA_DIRS", xdg / "system");
    ScopedEnv configHome("XDG_CONFIG_HOME", xdg / "config");
    ScopedEnv configDirs("XDG_CONFIG_DIRS", xdg / "none");
    ScopedEnv path("PATH", m_tools.path());
    TFileManagerWindow& w = Window();
    FocusFile(w, "alpha.txt");
    int row = 0;
    COpenWithDialog::Action action = COpenWithDialog::kOpen;
    Frame().SetDialogRunner([&](QDialog& dialog) {
        auto* with = dynamic_cast<COpenWithDialog*>(&dialog);
        EXPECT_NE(with, nullptr);
        EXPECT_EQ(with->windowTitle(), "Open With");
        EXPECT_EQ(with->List()->count(), 2);
        EXPECT_EQ(with->List()->item(0)->text(), "Recorder (default)");
        EXPECT_EQ(with->List()->item(1)->text(), "Other");
        EXPECT_EQ(with->List()->currentRow(), 0);
        Shot(*with, "open-with-dialog.png");
        with->List()->setCurrentRow(row);
        (action == COpenWithDialog::kOpen ? with->OpenButton() : with->DefaultButton())->click();
        return with->result();
    });
    Frame().RunCommand(kCmdAssociate);
    EXPECT_EQ(Recorded(), m_c.path() + "\n[--flag]\n[" + (m_c / "alpha.txt") + "]\n");

    // Set as Default without xdg-mime says what is missing ...
    row = 1;
    action = COpenWithDialog::kSetDefault;
    Frame().RunCommand(kCmdAssociate);
    EXPECT_TRUE(m_ui.Showed("'xdg-mime' (package xdg-utils) was not found"));
    // ... and with it hands it the application and the type as words.
    vorlane::test::WriteRecordingProgram(m_tools / "xdg-mime", m_out);
    m_ui.Reset();
    Frame().RunCommand(kCmdAssociate);
    const std::string recorded = Recorded(); // its directory is the program's own
    EXPECT_EQ(recorded.substr(recorded.find('\n') + 1),
              "[default]\n[other.desktop]\n[text/plain]\n");
    EXPECT_TRUE(m_ui.Shown().empty());
}

namespace {

class LaunchSettingsTest : public AppFrameTest, public LaunchTestBase {};

} // namespace

TEST_F(LaunchSettingsTest, MinimizeOnLaunchMinimisesOnSuccessAndRestoresOnFailure) {
    WriteIni("[Advanced Settings]\nMinimize on Launch=1\n");
    TFileManagerWindow& w = OpenC();
    w.DetailsView()->setFocus();
    ASSERT_TRUE(w.Session().SetCaretByName("alpha.txt"));
    m_appFrame->RunCommand(kCmdOpenFile);
    EXPECT_EQ(Recorded(), m_c.path() + "\n[" + (m_c / "alpha.txt") + "]\n");
    EXPECT_TRUE(m_appFrame->isMinimized());
    m_appFrame->showNormal();
    ScopedEnv opener("VORLANE_OPENER", m_tools / "missing");
    m_appFrame->RunCommand(kCmdOpenFile);
    EXPECT_FALSE(m_appFrame->isMinimized());
}

TEST_F(LaunchSettingsTest, EditRunsTheEditorCommandLineOrSaysTheInternalOneIsMissing) {
    WriteIni("[Editor Settings]\nUse Internal Editor=0\nCommand Line=" + (m_tools / "rec") +
             " -n %file%\n");
    TFileManagerWindow& w = OpenC();
    w.DetailsView()->setFocus();
    Pump();
    ASSERT_TRUE(w.Session().SetCaretByName("alpha.txt"));
    m_appFrame->RunCommand(kCmdEditFile);
    EXPECT_EQ(Recorded(), m_c.path() + "\n[-n]\n[alpha.txt]\n");
    m_app->MutableSettings().useInternalEditor = true;
    m_appFrame->RunCommand(kCmdEditFile);
    EXPECT_EQ(m_ui.Texts().back(), fileops::kInternalEditorText);
}

} // namespace vorlane::gui::test
