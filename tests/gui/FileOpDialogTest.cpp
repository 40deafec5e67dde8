// The dialogs of delete, remove directory, rename, attributes, touch and
// make directory: what they read and write of the settings file, what they
// refuse, what they hand to the run (and what the run then does on disk),
// the keys and menus that open them, and the rename in place in the list.
#include "AppFrameTest.h"

#include "gui/CFileOpDialogs.h"
#include "gui/CHelpWindow.h"
#include "gui/CJobManager.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimeEdit>

#include <set>
#include <sys/stat.h>
#include <variant>

namespace vorlane::gui::test {

namespace {

class FileOpDialogTest : public AppFrameTest {
  protected:
    FileOpDialogTest() {
        SetFileOpStartWatcher([this](const FileOpStart& start) { m_started.push_back(start); });
    }
    ~FileOpDialogTest() override { SetFileOpStartWatcher(nullptr); }

    TFileManagerWindow& OpenC(const std::string& directory = "C:\\") {
        Start();
        TFileManagerWindow* fm = m_appFrame->OpenFileManager("C:", 1, false, directory);
        EXPECT_NE(fm, nullptr);
        m_appFrame->activateWindow();
        Pump();
        return *fm;
    }
    std::map<std::string, std::string> Section(const char* section) const {
        std::map<std::string, std::string> keys;
        platform::ProfileFile ini = Ini();
        for (const std::string& key : ini.Keys(section))
            keys[key] = ini.GetString(section, key);
        return keys;
    }
    // Tags the files of these names (none: untags every file).
    static void Tag(TFileManagerWindow& fm, const std::set<std::string>& names) {
        catalogue::CFileManagerSession& s = fm.Session();
        s.ChangeTags(0, s.FileCount() - 1, 0);
        for (int i = 0; i < s.FileCount(); ++i)
            if (names.count(s.File(i)->Name()))
                s.SetTag(i, 1);
    }
    static void Caret(TFileManagerWindow& fm, const std::string& name) {
        catalogue::CFileManagerSession& s = fm.Session();
        for (int i = 0; i < s.FileCount(); ++i)
            if (s.File(i)->Name() == name)
                s.SetCaret(i);
    }
    static void Focus(TFileManagerWindow& fm, bool inTree) {
        (inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView())->setFocus();
        Pump();
    }
    void WaitForJobs() {
        ASSERT_TRUE(m_appFrame->Jobs().WaitForAll(20000));
        Pump();
    }
    // Drive C: as the fixture made it.
    void RestoreDriveC() {
        const std::string clear = "chmod -R u+w '" + m_c.path() + "' && rm -rf '" + m_c.path() +
                                  "'/* && mkdir -p '" + (m_c / "SUB/DEEP/DEEPER") + "' '" +
                                  (m_c / "OTHER") + "'";
        ASSERT_EQ(std::system(clear.c_str()), 0);
        MakeFile("alpha.txt", 300);
        MakeFile("beta.doc", 1000);
        MakeFile("gamma", 10);
        MakeFile("SUB/inner.txt", 5);
    }
    template <typename T> const T* Started(size_t n = 0) const {
        return n < m_started.size() ? std::get_if<T>(&m_started[n]) : nullptr;
    }

    std::vector<FileOpStart> m_started;
};

} // namespace

TEST_F(FileOpDialogTest, DeleteSettingsAreReadAtOpenAndWrittenOnlyOnOk) {
    struct Case {
        const char* name;
        const char* section; // "File Delete" as stored
        bool skipRecycle;    // opened by Shift+Delete
        int shown;           // the delete type chosen at open
        bool prompt;
        int choose;          // -1: keep the choice
        const char* written; // "Delete Type" after OK
    };
    using namespace fileops;
    const Case cases[] = {
        {"no keys", "", false, kDeleteNormal, true, -1, "0"},
        {"the recycle bin, no prompts", "Delete Type=2\nPrompt First=0\n", false, kDeleteRecycle,
         false, -1, "2"},
        {"a type out of range is normal", "Delete Type=7\n", false, kDeleteNormal, true, kDeleteZap,
         "1"},
        {"Shift+Delete shows normal but keeps the stored recycle bin",
         "Delete Type=2\nPrompt First=1\n", true, kDeleteNormal, true, -1, "2"},
        {"Shift+Delete, then zap chosen", "Delete Type=2\n", true, kDeleteNormal, true, kDeleteZap,
         "1"},
        {"Shift+Delete leaves zap as it is", "Delete Type=1\n", true, kDeleteZap, true, -1, "1"},
    };
    TFileManagerWindow& fm = OpenC();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool inTree : {false, true}) {
            WriteIni(std::string("[File Delete]\n") + c.section);
            const std::string before = ReadAll(IniPath());
            Focus(fm, inTree);
            std::unique_ptr<QDialog> shown =
                fm.MakeFileOpDialog(kCmdDelete, c.skipRecycle, nullptr);
            auto* dialog = dynamic_cast<CDeleteDialog*>(shown.get());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->IsDirectoryDialog(), inTree);
            EXPECT_EQ(dialog->DeleteType(), c.shown);
            EXPECT_EQ(dialog->PromptBox()->isChecked(), c.prompt);
            dialog->reject();
            EXPECT_EQ(ReadAll(IniPath()), before) << "Cancel writes nothing";
        }
        std::unique_ptr<QDialog> shown = fm.MakeFileOpDialog(kCmdDelete, c.skipRecycle, nullptr);
        auto& dialog = dynamic_cast<CDeleteDialog&>(*shown);
        if (c.choose >= 0)
            dialog.TypeButton(c.choose)->click();
        dialog.PromptBox()->setChecked(!c.prompt);
        dialog.accept();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        std::map<std::string, std::string> keys = Section(kDeleteSettingsSection);
        EXPECT_EQ(keys[kDeleteTypeKey], c.written);
        EXPECT_EQ(keys[kDeletePromptKey], c.prompt ? "0" : "1");
    }
}

TEST_F(FileOpDialogTest, AttributeAndTouchSettingsAreReadAtOpenAndWrittenOnlyOnOk) {
    struct Case {
        const char* name;
        const char* ini;
        Qt::CheckState readOnly, hidden, system, archive;
        bool creation, access, write;
    };
    constexpr Qt::CheckState Set = Qt::Checked, Clear = Qt::Unchecked, Leave = Qt::PartiallyChecked;
    const Case cases[] = {
        {"no keys: every box grey, last write only", "", Leave, Leave, Leave, Leave, false, false,
         true},
        {"read-only set, archive cleared, hidden and system left",
         "[File Attributes]\nAttributes=1\nIgnore Attributes=6\n[File Touch]\nDate/Time "
         "Options=3\n",
         Set, Leave, Leave, Clear, true, true, false},
        {"only the field bits count", "[File Touch]\nDate/Time Options=13\n", Leave, Leave, Leave,
         Leave, true, false, true},
    };
    TFileManagerWindow& fm = OpenC();
    Focus(fm, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.ini);
        const std::string before = ReadAll(IniPath());
        std::unique_ptr<QDialog> a = fm.MakeFileOpDialog(kCmdAttributes, false, nullptr);
        auto& attributes = dynamic_cast<CAttributesDialog&>(*a);
        EXPECT_EQ(attributes.windowTitle(), "File Attributes");
        EXPECT_EQ(attributes.AttributeBox(1)->checkState(), c.readOnly);
        EXPECT_EQ(attributes.AttributeBox(2)->checkState(), c.hidden);
        EXPECT_EQ(attributes.AttributeBox(4)->checkState(), c.system);
        EXPECT_EQ(attributes.AttributeBox(0x20)->checkState(), c.archive);
        std::unique_ptr<QDialog> t = fm.MakeFileOpDialog(kCmdTouch, false, nullptr);
        auto& touch = dynamic_cast<CTouchDialog&>(*t);
        EXPECT_EQ(touch.FieldBox(1)->isChecked(), c.creation);
        EXPECT_EQ(touch.FieldBox(2)->isChecked(), c.access);
        EXPECT_EQ(touch.FieldBox(4)->isChecked(), c.write);
        attributes.reject();
        touch.reject();
        EXPECT_EQ(ReadAll(IniPath()), before) << "Cancel writes nothing";
    }
    // OK writes the boxes: set, leave (grey) and the field mask.
    std::unique_ptr<QDialog> a = fm.MakeFileOpDialog(kCmdAttributes, false, nullptr);
    auto& attributes = dynamic_cast<CAttributesDialog&>(*a);
    attributes.AttributeBox(2)->setCheckState(Qt::Checked);
    attributes.AttributeBox(4)->setCheckState(Qt::Unchecked);
    attributes.accept();
    ASSERT_EQ(attributes.result(), QDialog::Accepted);
    EXPECT_EQ(Section("File Attributes")["Attributes"], "2");
    EXPECT_EQ(Section("File Attributes")["Ignore Attributes"], "33");
    std::unique_ptr<QDialog> t = fm.MakeFileOpDialog(kCmdTouch, false, nullptr);
    auto& touch = dynamic_cast<CTouchDialog&>(*t);
    touch.FieldBox(1)->setChecked(false);
    touch.FieldBox(2)->setChecked(true);
    touch.accept();
    ASSERT_EQ(touch.result(), QDialog::Accepted);
    EXPECT_EQ(Section("File Touch")["Date/Time Options"], "6");
}

TEST_F(FileOpDialogTest, EachRefusalIsShownAndKeepsTheDialogOpen) {
    struct Case {
        const char* name;
        int command;
        std::set<std::string> tagged;
        std::function<void(QDialog&)> fill;
        const char* refusal;
    };
    auto newName = [](const char* name) {
        return [name](QDialog& d) {
            if (auto* r = dynamic_cast<CRenameDialog*>(&d))
                r->NewNameField()->setText(name);
            else
                dynamic_cast<CFileRenameDialog&>(d).NewNameField()->setText(name);
        };
    };
    auto untagged = [](QDialog& d) {
        auto& dialog = dynamic_cast<CFileOpDialog&>(d);
        dialog.GroupBox()->setCurrentIndex(dialog.GroupBox()->findData(kCopyGroupTagged));
    };
    const Case cases[] = {
        {"delete: an empty group",
         kCmdDelete,
         {},
         untagged,
         "The selected file group does not have any files!"},
        {"rename: two files and a plain name",
         kCmdRename,
         {"alpha.txt", "gamma"},
         newName("NEW.TXT"),
         "You have selected multiple files to be renamed. The new name field must contain DOS "
         "wildcards!"},
        {"rename: no new name",
         kCmdRename,
         {"alpha.txt", "gamma"},
         newName(""),
         "The file specification \"\" is invalid. It contains invalid characters or it violates "
         "the the DOS file specification syntax."},
        {"file rename: an invalid name",
         kCmdRename,
         {},
         newName("a|b"),
         "The file specification \"a|b\" is invalid. It contains invalid characters or it "
         "violates the the DOS file specification syntax."},
        {"attributes: every box grey",
         kCmdAttributes,
         {},
         [](QDialog&) {},
         "There are no attribute changes specified to make (all attributes are set to leave the "
         "same)!"},
        {"attributes: an empty group",
         kCmdAttributes,
         {},
         [untagged](QDialog& d) {
             untagged(d);
             dynamic_cast<CAttributesDialog&>(d).AttributeBox(1)->setCheckState(Qt::Checked);
         },
         "There are no files in the selected file group!"},
        {"touch: no field",
         kCmdTouch,
         {},
         [](QDialog& d) { dynamic_cast<CTouchDialog&>(d).FieldBox(4)->setChecked(false); },
         "There are no date/time fields selected to touch!"},
        {"touch: an empty group",
         kCmdTouch,
         {},
         untagged,
         "The selected file group does not have any files!"},
    };
    TFileManagerWindow& fm = OpenC();
    WriteIni("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tag(fm, c.tagged);
        Caret(fm, "alpha.txt");
        Focus(fm, false);
        std::unique_ptr<QDialog> dialog = fm.MakeFileOpDialog(c.command, false, nullptr);
        ASSERT_TRUE(dialog);
        c.fill(*dialog);
        m_ui.Reset();
        dialog->accept();
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{c.refusal});
        EXPECT_EQ(ReadAll(IniPath()), "") << "nothing written";
    }
    // Make Directory offers OK only with a name.
    std::unique_ptr<QDialog> shown = fm.MakeFileOpDialog(kCmdMakeDirectory, false, nullptr);
    auto& make = dynamic_cast<CMakeDirectoryDialog&>(*shown);
    EXPECT_FALSE(make.OkEnabled());
    make.NameField()->setText("  ");
    EXPECT_FALSE(make.OkEnabled());
    make.NameField()->setText("NEW");
    EXPECT_TRUE(make.OkEnabled());
}

// The Delete key, Shift+Delete, F2 and the menus open the dialog of where
// the focus is; F2 on one file of the list edits its name in place.
TEST_F(FileOpDialogTest, KeysAndMenusOpenTheDialogOfTheFocus) {
    enum How { Key, ShiftKey, Menu, ContextMenu };
    struct Case {
        const char* name;
        How how;
        int command;
        bool inTree;
        bool tagged;
        const char* caption; // nullptr: no dialog
        int deleteType;      // of the delete dialogs
    };
    using namespace fileops;
    const Case cases[] = {
        {"Delete in the list", Key, kCmdDelete, false, false, "Delete File(s)", kDeleteRecycle},
        {"Shift+Delete in the list", ShiftKey, kCmdDelete, false, true, "Delete File(s)",
         kDeleteNormal},
        {"Delete in the tree", Key, kCmdDelete, true, false, "Remove Directory", kDeleteRecycle},
        {"Shift+Delete in the tree", ShiftKey, kCmdDelete, true, false, "Remove Directory",
         kDeleteNormal},
        {"the list's menu: Delete", ContextMenu, kCmdDelete, false, false, "Delete File(s)",
         kDeleteRecycle},
        {"F2 on tagged files", Key, kCmdRename, false, true, "Rename File(s)", 0},
        {"F2 on one file edits in place", Key, kCmdRename, false, false, nullptr, 0},
        {"F2 in the tree", Key, kCmdRename, true, false, "File Rename", 0},
        {"the menu's Rename on one file", Menu, kCmdRename, false, false, "File Rename", 0},
        {"the tree's menu: Rename", ContextMenu, kCmdRename, true, false, "File Rename", 0},
        {"the list's menu: Attributes", ContextMenu, kCmdAttributes, false, true, "File Attributes",
         0},
        {"the list's menu: Touch", ContextMenu, kCmdTouch, false, false, "File Touch", 0},
        {"the tree's menu: Make Directory", ContextMenu, kCmdMakeDirectory, true, false,
         "Make Directory", 0},
    };
    TFileManagerWindow& fm = OpenC();
    WriteIni("[File Delete]\nDelete Type=2\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tag(fm, c.tagged ? std::set<std::string>{"alpha.txt", "gamma"} : std::set<std::string>{});
        Caret(fm, "beta.doc");
        Focus(fm, c.inTree);
        QWidget* focus = c.inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView();
        std::vector<std::string> captions;
        OnDialog = [&](QDialog& shown) {
            captions.push_back(shown.windowTitle().toStdString());
            EXPECT_EQ(m_app->HelpContext(), c.command);
            if (auto* d = dynamic_cast<CDeleteDialog*>(&shown))
                EXPECT_EQ(d->DeleteType(), c.deleteType);
            if (auto* d = dynamic_cast<CFileRenameDialog*>(&shown))
                EXPECT_EQ(d->Path(), c.inTree ? "C:\\" : "C:\\beta.doc");
            if (auto* d = dynamic_cast<CFileOpDialog*>(&shown); d && !c.inTree)
                EXPECT_EQ(d->GroupBox()->currentData().toInt(),
                          c.tagged ? kCopyGroupTagged : kCopyGroupCurrent);
            return static_cast<int>(QDialog::Rejected);
        };
        switch (c.how) {
        case Key:
            QTest::keyClick(focus, c.command == kCmdDelete ? Qt::Key_Delete : Qt::Key_F2);
            break;
        case ShiftKey:
            QTest::keyClick(focus, Qt::Key_Delete, Qt::ShiftModifier);
            break;
        case Menu:
            m_appFrame->Action(c.command)->trigger();
            break;
        case ContextMenu: {
            std::unique_ptr<QMenu> menu(fm.MakeContextMenu(c.inTree, nullptr));
            int found = 0;
            for (QAction* action : menu->actions())
                if (action->data().toInt() == c.command && ++found)
                    action->trigger();
            ASSERT_EQ(found, 1);
            break;
        }
        }
        Pump();
        if (c.caption) {
            EXPECT_EQ(captions, std::vector<std::string>{c.caption});
        } else {
            EXPECT_TRUE(captions.empty());
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(editor, nullptr) << "the name's editor is open";
            EXPECT_EQ(editor->text(), "beta.doc");
            QTest::keyClick(editor, Qt::Key_Escape);
            Pump();
        }
    }
    EXPECT_TRUE(m_started.empty()) << "every dialog was cancelled";
    for (int context : {kCmdDelete, kCmdRename, kCmdAttributes, kCmdTouch})
        EXPECT_NE(CHelpWindow::PageFor(context),
                  CHelpWindow::PageFor(CHelpWindow::kContentsContext))
            << context;
}

// OK starts one run with what the dialog holds; the run then does it.
TEST_F(FileOpDialogTest, OkStartsOneRunWithTheDialogsParameters) {
    struct Case {
        const char* name;
        int command;
        bool inTree;
        std::set<std::string> tagged;
        std::function<void(QDialog&)> fill;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"delete the tagged files, no prompts",
         kCmdDelete,
         false,
         {"alpha.txt", "gamma"},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CDeleteDialog&>(d);
             dialog.TypeButton(fileops::kDeleteNormal)->click();
             dialog.PromptBox()->setChecked(false);
         },
         [&] {
             const auto* p = Started<fileops::CDeleteParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->directory, "C:\\");
             EXPECT_EQ(p->files, (std::vector<std::string>{"alpha.txt", "gamma"}));
             EXPECT_EQ(p->deleteType, fileops::kDeleteNormal);
             EXPECT_FALSE(p->promptFirst);
             EXPECT_FALSE(Exists(m_c / "alpha.txt"));
             EXPECT_FALSE(Exists(m_c / "gamma"));
             EXPECT_TRUE(Exists(m_c / "beta.doc"));
         }},
        {"remove the tree's directory",
         kCmdDelete,
         true,
         {},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CDeleteDialog&>(d);
             dialog.TypeButton(fileops::kDeleteNormal)->click();
             dialog.PromptBox()->setChecked(false);
         },
         [&] {
             const auto* p = Started<fileops::CRemoveDirectoryParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->directory, "C:\\SUB");
             EXPECT_FALSE(p->promptFirst);
             EXPECT_FALSE(Exists(m_c / "SUB"));
         }},
        {"rename the tagged files by a pattern",
         kCmdRename,
         false,
         {"alpha.txt", "beta.doc"},
         [](QDialog& d) { dynamic_cast<CRenameDialog&>(d).NewNameField()->setText("*.BAK"); },
         [&] {
             const auto* p = Started<fileops::CRenameParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->files, (std::vector<std::string>{"alpha.txt", "beta.doc"}));
             EXPECT_EQ(p->newName, "*.BAK");
             EXPECT_TRUE(Exists(m_c / "alpha.BAK"));
             EXPECT_TRUE(Exists(m_c / "beta.BAK"));
         }},
        {"rename one file",
         kCmdRename,
         false,
         {},
         [](QDialog& d) {
             dynamic_cast<CFileRenameDialog&>(d).NewNameField()->setText("first.txt");
         },
         [&] {
             const auto* p = Started<RenameOneRequest>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->path, "C:\\alpha.txt");
             EXPECT_EQ(p->newName, "first.txt");
             EXPECT_TRUE(Exists(m_c / "first.txt"));
             EXPECT_FALSE(Exists(m_c / "alpha.txt"));
         }},
        {"set read-only, clear archive",
         kCmdAttributes,
         false,
         {"alpha.txt", "gamma"},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CAttributesDialog&>(d);
             dialog.AttributeBox(1)->setCheckState(Qt::Checked);
             dialog.AttributeBox(0x20)->setCheckState(Qt::Unchecked);
         },
         [&] {
             const auto* p = Started<fileops::CAttributeParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->files, (std::vector<std::string>{"alpha.txt", "gamma"}));
             EXPECT_EQ(p->setMask, 1u);
             EXPECT_EQ(p->clearMask, 0x20u);
             EXPECT_EQ(p->leaveMask, 6u);
             struct stat st {};
             ASSERT_EQ(::stat((m_c / "gamma").c_str(), &st), 0);
             EXPECT_EQ(st.st_mode & 0222, 0u) << "read-only";
             ASSERT_EQ(::stat((m_c / "beta.doc").c_str(), &st), 0);
             EXPECT_NE(st.st_mode & 0200, 0u) << "not in the group";
         }},
        {"touch the last write time",
         kCmdTouch,
         false,
         {},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CTouchDialog&>(d);
             dialog.DateField()->setDate(QDate(2001, 2, 3));
             dialog.TimeField()->setTime(QTime(4, 5, 6));
         },
         [&] {
             const auto* p = Started<fileops::CTouchParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->files, std::vector<std::string>{"alpha.txt"});
             EXPECT_EQ(p->fields, fileops::kTouchLastWrite);
             const int64_t when = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)).toSecsSinceEpoch();
             ASSERT_TRUE(p->time);
             EXPECT_EQ(p->time->seconds, when) << "local time";
             struct stat st {};
             ASSERT_EQ(::stat((m_c / "alpha.txt").c_str(), &st), 0);
             EXPECT_EQ(st.st_mtime, when);
         }},
        {"make a directory",
         kCmdMakeDirectory,
         false,
         {},
         [](QDialog& d) { dynamic_cast<CMakeDirectoryDialog&>(d).NameField()->setText("NEWDIR"); },
         [&] {
             const auto* p = Started<fileops::CMakeDirectoryParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->currentDirectory, "C:\\");
             EXPECT_FALSE(p->zip);
             EXPECT_TRUE(Exists(m_c / "NEWDIR"));
         }},
        {"make an empty zip file",
         kCmdMakeDirectory,
         false,
         {},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CMakeDirectoryDialog&>(d);
             dialog.NameField()->setText("PACK");
             dialog.ZipButton()->click();
         },
         [&] {
             const auto* p = Started<fileops::CMakeDirectoryParameters>();
             ASSERT_NE(p, nullptr);
             EXPECT_TRUE(p->zip);
             EXPECT_TRUE(Exists(m_c / "PACK.zip"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreDriveC();
        TFileManagerWindow& fm = OpenC(c.inTree ? "C:\\SUB" : "C:\\");
        WriteIni("");
        m_started.clear();
        Tag(fm, c.tagged);
        Caret(fm, "alpha.txt");
        Focus(fm, c.inTree);
        OnDialog = [&](QDialog& shown) {
            c.fill(shown);
            shown.accept();
            return shown.result();
        };
        m_appFrame->RunCommand(c.command);
        WaitForJobs();
        ASSERT_EQ(m_started.size(), 1u);
        c.check();
        Shutdown();
    }
}

// A name edited in the list runs the rename of that file; the list shows
// the new name once the run's notice is in, and a refused name leaves the
// old one with the driver's text shown.
TEST_F(FileOpDialogTest, InPlaceRenameRunsTheRenameAndARefusalKeepsTheOldName) {
    struct Case {
        const char* name;
        const char* typed;
        bool byEditor;      // F2, typed, Enter; else the model's setData
        bool runs;          // a rename is started
        const char* listed; // the name the list then shows in alpha.txt's place
        const char* shown;  // the start of the message, "" none
    };
    const Case cases[] = {
        {"a new name typed in the editor", "first.txt", true, true, "first.txt", ""},
        {"a pattern", "*.BAK", false, true, "alpha.BAK", ""},
        {"a name already there", "beta.doc", false, true, "alpha.txt", "Unable to rename"},
        {"an invalid name", "a|b", true, true, "alpha.txt", "The file specification \"a|b\""},
        {"the same name", "alpha.txt", false, false, "alpha.txt", ""},
        {"no name", "  ", false, false, "alpha.txt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreDriveC();
        TFileManagerWindow& fm = OpenC();
        m_started.clear();
        m_ui.Reset();
        Caret(fm, "alpha.txt");
        Focus(fm, false);
        const int row = Row(fm, "alpha.txt");
        ASSERT_GE(row, 0);
        if (c.byEditor) {
            QTest::keyClick(fm.FileView(), Qt::Key_F2);
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(editor, nullptr);
            editor->setText(c.typed);
            QTest::keyClick(editor, Qt::Key_Return);
        } else {
            fm.FileModel()->setData(fm.FileModel()->index(row, 0), QString(c.typed), Qt::EditRole);
        }
        WaitForJobs();
        EXPECT_EQ(m_started.size(), c.runs ? 1u : 0u);
        EXPECT_GE(Row(fm, c.listed), 0) << Names(fm).join(",").toStdString();
        EXPECT_TRUE(Exists(m_c / c.listed));
        if (*c.shown) {
            ASSERT_EQ(m_ui.Texts().size(), 1u) << m_ui.Texts()[1];
            EXPECT_EQ(m_ui.Texts()[0].rfind(c.shown, 0), 0u) << m_ui.Texts()[0];
        } else {
            EXPECT_TRUE(m_ui.Texts().empty()) << m_ui.Texts()[0];
        }
        Shutdown();
    }
}

} // namespace vorlane::gui::test
