// The copy and move dialogs: what they read and write of the settings
// file, what they refuse, what they hand to the run, the target history,
// the keys and menus that open them, and the tree count of the directory
// dialog.
#include "AppFrameTest.h"

#include "gui/CCopyDialog.h"
#include "gui/CFieldHistory.h"
#include "gui/CHelpWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>

#include <chrono>
#include <thread>

namespace vorlane::gui::test {

namespace {

using fileops::CCopyParameters;

class CopyDialogTest : public AppFrameTest {
  protected:
    CopyDialogTest() {
        ::mkdir((m_d / "IN").c_str(), 0700);
        SetCopyStartWatcher([this](const CCopyParameters& p) { m_started.push_back(p); });
    }
    ~CopyDialogTest() override { SetCopyStartWatcher(nullptr); }

    std::map<std::string, std::string> CopySection() const {
        return Section(fileops::kCopySettingsSection);
    }
    static void SetTarget(CCopyDialog& dialog, const std::string& target) {
        dialog.TargetBox()->setEditText(QString::fromStdString(target));
    }
    // Selects a group of the "File &Group:" choice by its number.
    static void ChooseGroup(CCopyDialog& dialog, int group) {
        dialog.GroupBox()->setCurrentIndex(dialog.GroupBox()->findData(group));
    }

    std::vector<CCopyParameters> m_started;
};

// A counter the test lets go: it waits until released or cancelled, then
// answers what it was given. Shared with the worker, which may outlive the
// dialog.
struct Gate {
    std::atomic<bool> started{false}, released{false}, finished{false}, sawCancel{false};
    static bool WaitFor(const std::atomic<bool>& flag) {
        for (int i = 0; i < 20000 && !flag; ++i) // a guard, not a timing check
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return flag;
    }
};
CCopyDialog::TreeCounter GatedCounter(std::shared_ptr<Gate> gate, fileops::TreeCount answer) {
    return [gate, answer](const std::string&, const platform::DriveMap&,
                          const std::atomic<bool>* cancel) {
        gate->started = true;
        while (!gate->released && !*cancel)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        gate->sawCancel = cancel->load();
        gate->finished = true;
        return answer;
    };
}

} // namespace

TEST_F(CopyDialogTest, SettingsAreReadAtOpenAndWrittenOnlyOnOk) {
    struct Case {
        const char* name;
        const char* section; // the "File Copy" keys written first
        bool newer, exists, prompt, shortNames;
        const char* factor;
        int pathMode;
    };
    const Case cases[] = {
        {"no keys: the defaults", "", true, false, true, false, "Normal", 0},
        {"every flag flipped",
         "Only Copy If Newer=0\nOnly Copy If Destination Exists=1\nPrompt Before Overwrite=0\n"
         "Use 8.3 filename format=1\n",
         false, true, false, true, "Normal", 0},
        {"a factor of the table", "Compression Factor=2\nZip Path Mode=2\n", true, false, true,
         false, "SuperFast", 2},
        {"a factor outside the table selects Normal", "Compression Factor=7\nZip Path Mode=1\n",
         true, false, true, false, "Normal", 1},
    };
    TFileManagerWindow& fm = OpenC();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(std::string("[File Copy]\n") + c.section);
        const std::string before = ReadAll(IniPath());
        fm.FileView()->setFocus();
        std::unique_ptr<CCopyDialog> dialog = fm.MakeCopyDialog(false, nullptr);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->NewerBox()->isChecked(), c.newer);
        EXPECT_EQ(dialog->ExistsBox()->isChecked(), c.exists);
        EXPECT_EQ(dialog->PromptBox()->isChecked(), c.prompt);
        EXPECT_EQ(dialog->ShortNamesBox()->isChecked(), c.shortNames);
        EXPECT_EQ(dialog->FactorBox()->currentText().toStdString(), c.factor);
        EXPECT_TRUE(dialog->PathModeButton(c.pathMode)->isChecked());
        dialog->reject();
        EXPECT_EQ(ReadAll(IniPath()), before) << "Cancel writes nothing";
    }

    // OK writes what the controls hold, and the target into the history.
    std::unique_ptr<CCopyDialog> dialog = fm.MakeCopyDialog(false, nullptr);
    dialog->NewerBox()->setChecked(false);
    dialog->ExistsBox()->setChecked(true);
    dialog->ShortNamesBox()->setChecked(true);
    dialog->FactorBox()->setCurrentIndex(0);
    dialog->PathModeButton(2)->click();
    SetTarget(*dialog, "D:\\IN");
    dialog->accept();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    std::map<std::string, std::string> keys = CopySection();
    EXPECT_EQ(keys["Only Copy If Newer"], "0");
    EXPECT_EQ(keys["Only Copy If Destination Exists"], "1");
    EXPECT_EQ(keys["Prompt Before Overwrite"], "1");
    EXPECT_EQ(keys["Use 8.3 filename format"], "1");
    EXPECT_EQ(keys["Compression Factor"], "9");
    EXPECT_EQ(keys["Zip Path Mode"], "2");
    EXPECT_EQ(keys["TargetDirectory####"], "1");
    EXPECT_EQ(keys["TargetDirectory0000"], "D:\\IN");
    EXPECT_TRUE(m_started.empty()) << "the dialog itself starts nothing";
    // The next dialog offers the target kept.
    dialog = fm.MakeCopyDialog(false, nullptr);
    ASSERT_EQ(dialog->TargetBox()->count(), 1);
    EXPECT_EQ(dialog->TargetBox()->currentText(), "D:\\IN");
}

TEST_F(CopyDialogTest, EachRefusalIsShownAndKeepsTheDialogOpen) {
    struct Case {
        const char* name;
        const char* source; // the window's directory
        bool directory;     // the tree's dialog
        int group;
        const char* target;
        const char* refusal;
    };
    const Case cases[] = {
        {"no target", "C:\\", false, kCopyGroupEvery, "", "A target path must be entered!"},
        {"blanks only", "C:\\", false, kCopyGroupEvery, "   ", "A target path must be entered!"},
        {"a drive that is not there", "C:\\", false, kCopyGroupEvery, "Q:\\NOWHERE",
         "'Q:\\NOWHERE' is not a valid path!"},
        {"the source itself", "C:\\", false, kCopyGroupEvery, "C:\\",
         "The source and target paths must be different!"},
        {"an empty group", "C:\\", false, kCopyGroupTagged, "D:\\IN",
         "The selected file group does not have any files!"},
        {"a directory into its own tree", "C:\\SUB", true, 0, "C:\\SUB\\DEEP",
         "The target path cannot be a child of the source directory!"},
        {"a directory onto its parent", "C:\\SUB", true, 0, "C:\\",
         "The target path cannot be the parent of the source directory!"},
    };
    TFileManagerWindow& fm = OpenC();
    WriteIni("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(fm.GoTo(c.source));
        Pump();
        (c.directory ? static_cast<QWidget*>(fm.Tree()) : fm.FileView())->setFocus();
        std::unique_ptr<CCopyDialog> dialog = fm.MakeCopyDialog(false, nullptr);
        ASSERT_EQ(dialog->IsDirectoryDialog(), c.directory);
        if (!c.directory)
            ChooseGroup(*dialog, c.group);
        SetTarget(*dialog, c.target);
        m_ui.Reset();
        dialog->accept();
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        ASSERT_EQ(m_ui.Texts(), std::vector<std::string>{c.refusal});
        EXPECT_TRUE(CopySection().empty()) << "nothing written";
    }
}

TEST(FieldHistoryTest, KeepsTwentyEntriesNewestFirstWithoutRepeats) {
    CFieldHistory history("File Copy", "TargetDirectory", 20);
    for (int i = 0; i < 25; ++i)
        history.Add("D:\\T" + std::to_string(i));
    history.Add("d:\\t20"); // the same path in other case: moves to the top once
    history.Add("");        // not kept
    ASSERT_EQ(history.Entries().size(), 20u);
    EXPECT_EQ(history.Entries()[0], "d:\\t20");
    EXPECT_EQ(history.Entries()[1], "D:\\T24");
    EXPECT_EQ(history.Entries()[19], "D:\\T5") << "the oldest fell off";
    EXPECT_EQ(std::count(history.Entries().begin(), history.Entries().end(), "D:\\T20"), 0);

    // Read back: the same list; a stored list longer than the limit or
    // with repeats is cut at the limit and its repeats dropped.
    std::map<std::string, std::string> stored;
    history.Save([&](const std::string&, const std::string& key, const std::string& value) {
        stored[key] = value;
    });
    CFieldHistory again("File Copy", "TargetDirectory", 20);
    auto read = [&](const std::string&, const std::string& key) { return stored[key]; };
    again.Load(read);
    EXPECT_EQ(again.Entries(), history.Entries());
    stored["TargetDirectory####"] = "30";
    stored["TargetDirectory0001"] = "D:\\T20";
    stored["TargetDirectory0020"] = "D:\\EXTRA";
    again.Load(read);
    EXPECT_EQ(again.Entries().size(), 19u);
}

// F3 and F4, the tool bar's buttons and both context menus open the dialog
// of where the focus is, with copy or move chosen and the group of the
// tags.
TEST_F(CopyDialogTest, KeysMenusAndButtonsOpenTheDialogOfTheFocus) {
    enum How { Key, ToolBar, ContextMenu };
    struct Case {
        const char* name;
        How how;
        bool move;
        bool inTree;
        bool tagged;
        const char* caption;
        int group;
    };
    const Case cases[] = {
        {"F3 in the list", Key, false, false, false, CCopyDialog::kFilesCaption, kCopyGroupCurrent},
        {"F4 in the list with tags", Key, true, false, true, CCopyDialog::kFilesCaption,
         kCopyGroupTagged},
        {"F3 in the tree", Key, false, true, false, CCopyDialog::kDirectoryCaption, 0},
        {"F4 in the tree", Key, true, true, true, CCopyDialog::kDirectoryCaption, 0},
        {"the Move button", ToolBar, true, false, false, CCopyDialog::kFilesCaption,
         kCopyGroupCurrent},
        {"the list's menu", ContextMenu, false, false, true, CCopyDialog::kFilesCaption,
         kCopyGroupTagged},
        {"the tree's menu", ContextMenu, true, true, false, CCopyDialog::kDirectoryCaption, 0},
    };
    TFileManagerWindow& fm = OpenC("C:\\");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fm.Session().ChangeTags(0, fm.Session().FileCount() - 1, c.tagged ? 1 : 0);
        QWidget* focus = c.inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView();
        focus->setFocus();
        Pump();
        int opened = 0;
        OnDialog = [&](QDialog& shown) {
            ++opened;
            auto& dialog = dynamic_cast<CCopyDialog&>(shown);
            EXPECT_EQ(dialog.windowTitle().toStdString(), c.caption);
            EXPECT_EQ(dialog.MoveButton()->isChecked(), c.move);
            EXPECT_EQ(dialog.CopyButton()->isChecked(), !c.move);
            EXPECT_EQ(m_app->HelpContext(), CCopyDialog::kHelpContext);
            if (c.group != 0) {
                EXPECT_EQ(dialog.GroupBox()->currentData().toInt(), c.group);
            }
            EXPECT_EQ(dialog.Parameters().sourceDirectory, "C:\\");
            return static_cast<int>(QDialog::Rejected);
        };
        const int id = c.move ? kCmdMove : kCmdCopy;
        switch (c.how) {
        case Key:
            QTest::keyClick(focus, c.move ? Qt::Key_F4 : Qt::Key_F3);
            break;
        case ToolBar:
            m_appFrame->Action(id)->trigger();
            break;
        case ContextMenu: {
            std::unique_ptr<QMenu> menu(fm.MakeContextMenu(c.inTree, nullptr));
            for (QAction* action : menu->actions())
                if (action->data().toInt() == id)
                    action->trigger();
            break;
        }
        }
        EXPECT_EQ(opened, 1);
    }
    EXPECT_TRUE(m_started.empty()) << "every dialog was cancelled";
    // Help while a dialog is open shows the copy and move page.
    EXPECT_EQ(CHelpWindow::PageFor(CCopyDialog::kHelpContext), "qrc:/help/14115.html");
}

TEST_F(CopyDialogTest, OkStartsOneRunWithTheChosenParameters) {
    struct Case {
        const char* name;
        bool inTree, move, descriptions;
        const char* source;
        const char* target;
        int kind;
    };
    const Case cases[] = {
        {"tagged files moved", false, true, true, "C:\\", "D:\\IN", fileops::kMoveFiles},
        {"the tree's directory copied", true, false, false, "C:\\SUB", "D:\\",
         fileops::kCopyDirectory},
    };
    TFileManagerWindow& fm = OpenC("C:\\");
    WriteIni("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_started.clear();
        m_ui.Reset();
        if (c.inTree) // the run asks before it makes D:\SUB
            m_ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
        m_app->MutableSettings().fourDosDescriptions = c.descriptions;
        ASSERT_TRUE(fm.GoTo(c.source));
        Pump();
        std::vector<std::string> tagged; // all but beta.doc, in list order
        for (int i = 0; i < fm.Session().FileCount() && !c.inTree; ++i)
            if (fm.Session().File(i)->Name() != "beta.doc" && fm.Session().SetTag(i, 1))
                tagged.push_back(fm.Session().File(i)->Name());
        (c.inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView())->setFocus();
        OnDialog = [&](QDialog& shown) {
            auto& dialog = dynamic_cast<CCopyDialog&>(shown);
            dialog.NewerBox()->setChecked(false);
            dialog.ShortNamesBox()->setChecked(true);
            dialog.FactorBox()->setCurrentIndex(dialog.FactorBox()->findText("Fast"));
            dialog.PathModeButton(fileops::kZipRelativePaths)->click();
            dialog.PasswordField()->setText("secret");
            SetTarget(dialog, c.target);
            dialog.accept();
            return dialog.result();
        };
        m_appFrame->RunCommand(c.move ? kCmdMove : kCmdCopy);
        Pump();
        ASSERT_EQ(m_started.size(), 1u);
        const CCopyParameters& p = m_started[0];
        EXPECT_EQ(p.operation, c.kind);
        EXPECT_EQ(p.flags, fileops::kCopyPromptBeforeOverwrite | fileops::kCopyZip83Names);
        EXPECT_EQ(p.compressionFactor, 3);
        EXPECT_EQ(p.zipPathMode, fileops::kZipRelativePaths);
        EXPECT_EQ(p.password, "secret");
        EXPECT_EQ(p.sourceDirectory, c.source);
        EXPECT_EQ(p.files, tagged);
        EXPECT_EQ(p.targetPath, c.target);
        EXPECT_EQ(p.descriptions, c.descriptions);
        // The run went to the job manager: one status window, the kind's.
        ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
        EXPECT_EQ(m_ui.StatusWindows()[0]->caption, fileops::CopyCaption(c.kind));
    }
}

TEST_F(CopyDialogTest, TheCountShowsUnknownUntilItArrives) {
    struct Case {
        const char* name;
        fileops::TreeCount count;
        const char* shown;
    };
    const Case cases[] = {
        {"thousands separated", {1234, 5678901, true}, "1,234 dirs and 5,678,901 files"},
        {"an empty tree", {0, 0, true}, "0 dirs and 0 files"},
        {"a tree that could not be read", {3, 4, false}, CCopyDialog::kCountUnknown},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto gate = std::make_shared<Gate>();
        std::unique_ptr<CCopyDialog> dialog =
            CCopyDialog::ForDirectory("C:\\SUB", false, nullptr, GatedCounter(gate, c.count));
        QSignalSpy arrived(dialog.get(), &CCopyDialog::CountArrived);
        ASSERT_TRUE(Gate::WaitFor(gate->started));
        EXPECT_EQ(dialog->CountText(), CCopyDialog::kCountUnknown) << "the dialog did not wait";
        gate->released = true;
        ASSERT_TRUE(arrived.wait(20000));
        EXPECT_EQ(dialog->CountText(), c.shown);
        EXPECT_FALSE(dialog->Counting());
    }
    // The real count of the drive: SUB, DEEP, DEEPER, OTHER and four files.
    std::unique_ptr<CCopyDialog> dialog = CCopyDialog::ForDirectory("C:\\", false);
    QSignalSpy arrived(dialog.get(), &CCopyDialog::CountArrived);
    ASSERT_TRUE(arrived.wait(20000));
    EXPECT_EQ(dialog->CountText(), "4 dirs and 4 files");
}

// Closing the dialog while the count runs neither waits for it nor
// touches the dialog afterwards: the count sees its cancel flag, and its
// late result is dropped.
TEST_F(CopyDialogTest, ClosingTheDialogDuringTheCountStopsItWithoutWaiting) {
    Start();
    for (const char* how : {"Cancel", "destroyed"}) {
        SCOPED_TRACE(how);
        auto gate = std::make_shared<Gate>();
        std::unique_ptr<CCopyDialog> dialog =
            CCopyDialog::ForDirectory("C:\\SUB", false, nullptr, GatedCounter(gate, {1, 1, true}));
        ASSERT_TRUE(Gate::WaitFor(gate->started));
        if (std::string(how) == "Cancel") {
            dialog->reject();
            EXPECT_FALSE(dialog->Counting());
        }
        dialog.reset(); // the gate is still closed: a wait here would hang
        ASSERT_TRUE(Gate::WaitFor(gate->finished));
        EXPECT_TRUE(gate->sawCancel);
        Pump(); // a result posted late finds no dialog
    }
}

// A window on a zip directory offers its members under the zip file's
// path, by the names they are stored under.
TEST_F(CopyDialogTest, AZipDirectoryIsASourceLikeAnyOther) {
    vorlane::test::TempDir stage;
    ::mkdir((stage / "docs").c_str(), 0700);
    std::ofstream(stage / "readme.txt") << "r";
    std::ofstream(stage / "docs/notes.txt") << "n";
    const std::string zip = "cd '" + stage.path() + "' && zip -q -X '" + (m_c / "ARCH.ZIP") +
                            "' readme.txt docs/notes.txt";
    ASSERT_EQ(std::system(zip.c_str()), 0);
    TFileManagerWindow& fm = OpenC("C:\\ARCH.ZIP");
    ASSERT_EQ(fm.Session().CurrentDirectoryPath(), "C:\\ARCH.ZIP");
    fm.FileView()->setFocus();
    std::unique_ptr<CCopyDialog> dialog = fm.MakeCopyDialog(false, nullptr);
    ASSERT_FALSE(dialog->IsDirectoryDialog());
    ChooseGroup(*dialog, kCopyGroupEvery);
    EXPECT_EQ(dialog->CountText(), "2 files");
    std::vector<std::string> names = dialog->Parameters().files;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, std::vector<std::string>({"docs/notes.txt", "readme.txt"}));
    EXPECT_EQ(dialog->Parameters().sourceDirectory, "C:\\ARCH.ZIP");
}

} // namespace vorlane::gui::test
