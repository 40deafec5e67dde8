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
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTimeEdit>

#include <set>
#include <sys/stat.h>
#include <variant>

namespace vorlane::gui::test {

namespace {

using namespace fileops;

class FileOpDialogTest : public AppFrameTest {
  protected:
    FileOpDialogTest() {
        SetFileOpStartWatcher([this](const FileOpStart& start) { m_started.push_back(start); });
    }
    ~FileOpDialogTest() override { SetFileOpStartWatcher(nullptr); }

    // Tags the files of these names only; the caret on caret; the focus.
    static void Prepare(TFileManagerWindow& fm, const std::set<std::string>& tagged,
                        const std::string& caret, bool inTree) {
        catalogue::CFileManagerSession& s = fm.Session();
        s.ChangeTags(0, s.FileCount() - 1, 0);
        for (int i = 0; i < s.FileCount(); ++i) {
            if (tagged.count(s.File(i)->Name()))
                s.SetTag(i, 1);
            if (s.File(i)->Name() == caret)
                s.SetCaret(i);
        }
        (inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView())->setFocus();
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
    template <typename T> const T& Started() const {
        static const T none{};
        EXPECT_EQ(m_started.size(), 1u);
        const T* p = m_started.empty() ? nullptr : std::get_if<T>(&m_started[0]);
        EXPECT_NE(p, nullptr);
        return p ? *p : none;
    }

    std::vector<FileOpStart> m_started;
};

} // namespace

// "File Delete", "File Attributes" and "File Touch" are read when a dialog
// opens, written only by OK; Shift+Delete's normal delete is for once.
TEST_F(FileOpDialogTest, SettingsAreReadAtOpenAndWrittenOnlyOnOk) {
    struct Case {
        const char* name;
        const char* ini;
        bool skipRecycle; // opened by Shift+Delete
        int shownType;
        int chosenType; // -1: as shown
        const char* writtenType;
        Qt::CheckState readOnly, archive; // hidden and system stay grey
        bool creation, lastWrite;
    };
    constexpr Qt::CheckState Set = Qt::Checked, Clear = Qt::Unchecked, Leave = Qt::PartiallyChecked;
    const Case cases[] = {
        {"no keys", "", false, kDeleteNormal, -1, "0", Leave, Leave, false, true},
        {"stored values",
         "[File Delete]\nDelete Type=2\n[File Attributes]\nAttributes=1\nIgnore Attributes=6\n"
         "[File Touch]\nDate/Time Options=13\n",
         false, kDeleteRecycle, kDeleteZap, "1", Set, Clear, true, true},
        {"a delete type out of range is normal", "[File Delete]\nDelete Type=7\n", false,
         kDeleteNormal, -1, "0", Leave, Leave, false, true},
        {"Shift+Delete shows normal, keeps the recycle bin stored",
         "[File Delete]\nDelete Type=2\n", true, kDeleteNormal, -1, "2", Leave, Leave, false, true},
        {"Shift+Delete, then zap chosen", "[File Delete]\nDelete Type=2\n", true, kDeleteNormal,
         kDeleteZap, "1", Leave, Leave, false, true},
    };
    TFileManagerWindow& fm = OpenC("C:\\");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.ini);
        const std::string before = ReadAll(IniPath());
        Prepare(fm, {}, "alpha.txt", false);
        auto d = fm.MakeFileOpDialog(kCmdDelete, c.skipRecycle, nullptr);
        auto a = fm.MakeFileOpDialog(kCmdAttributes, false, nullptr);
        auto t = fm.MakeFileOpDialog(kCmdTouch, false, nullptr);
        auto& del = dynamic_cast<CDeleteDialog&>(*d);
        auto& attributes = dynamic_cast<CAttributesDialog&>(*a);
        auto& touch = dynamic_cast<CTouchDialog&>(*t);
        EXPECT_EQ(del.DeleteType(), c.shownType);
        EXPECT_EQ(attributes.AttributeBox(1)->checkState(), c.readOnly);
        EXPECT_EQ(attributes.AttributeBox(2)->checkState(), Leave);
        EXPECT_EQ(attributes.AttributeBox(0x20)->checkState(), c.archive);
        EXPECT_EQ(touch.FieldBox(kTouchCreation)->isChecked(), c.creation);
        EXPECT_FALSE(touch.FieldBox(kTouchLastAccess)->isChecked());
        EXPECT_EQ(touch.FieldBox(kTouchLastWrite)->isChecked(), c.lastWrite);
        for (QDialog* dialog : {d.get(), a.get(), t.get()})
            dialog->reject();
        EXPECT_EQ(ReadAll(IniPath()), before) << "Cancel writes nothing";

        if (c.chosenType >= 0)
            del.TypeButton(c.chosenType)->click();
        del.PromptBox()->setChecked(false);
        attributes.AttributeBox(2)->setCheckState(Set);
        touch.FieldBox(kTouchLastAccess)->setChecked(true);
        for (QDialog* dialog : {d.get(), a.get(), t.get()}) {
            dialog->accept();
            EXPECT_EQ(dialog->result(), QDialog::Accepted);
        }
        EXPECT_EQ(Section(kDeleteSettingsSection)[kDeleteTypeKey], c.writtenType);
        EXPECT_EQ(Section(kDeleteSettingsSection)[kDeletePromptKey], "0");
        const uint32_t set = 2 | (c.readOnly == Set ? 1 : 0);
        const uint32_t leave = 0x25 & ~set & ~(c.archive == Clear ? 0x20u : 0u);
        EXPECT_EQ(Section(kAttributeSettingsSection)[kAttributesKey], std::to_string(set));
        EXPECT_EQ(Section(kAttributeSettingsSection)[kIgnoreAttributesKey], std::to_string(leave));
        EXPECT_EQ(Section(kTouchSettingsSection)[kTouchFieldsKey],
                  std::to_string(2 | (c.creation ? 1 : 0) | (c.lastWrite ? 4 : 0)));
    }
}

TEST_F(FileOpDialogTest, EachRefusalIsShownAndKeepsTheDialogOpen) {
    struct Case {
        const char* name;
        int command;
        std::set<std::string> tagged;
        std::function<void(QDialog&)> fill;
        const char* refusal;
    };
    auto tagged = [](QDialog& d) {
        QComboBox* group = dynamic_cast<CFileOpDialog&>(d).GroupBox();
        group->setCurrentIndex(group->findData(kCopyGroupTagged));
    };
    const Case cases[] = {
        {"delete: an empty group", kCmdDelete, {}, tagged, kEmptyGroupText},
        {"rename: two files and a plain name",
         kCmdRename,
         {"alpha.txt", "gamma"},
         [](QDialog& d) { dynamic_cast<CRenameDialog&>(d).NewNameField()->setText("NEW.TXT"); },
         "You have selected multiple files to be renamed. The new name field must contain DOS "
         "wildcards!"},
        {"file rename: an invalid name",
         kCmdRename,
         {},
         [](QDialog& d) { dynamic_cast<CFileRenameDialog&>(d).NewNameField()->setText("a|b"); },
         "The file specification \"a|b\" is invalid. It contains invalid characters or it "
         "violates the the DOS file specification syntax."},
        {"attributes: every box grey",
         kCmdAttributes,
         {},
         [](QDialog&) {},
         "There are no attribute changes specified to make (all attributes are set to leave the "
         "same)!"},
        {"touch: no field",
         kCmdTouch,
         {},
         [](QDialog& d) { dynamic_cast<CTouchDialog&>(d).FieldBox(4)->setChecked(false); },
         "There are no date/time fields selected to touch!"},
        {"make directory: a zip file named .TAR.ZIP",
         kCmdMakeDirectory,
         {},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CMakeDirectoryDialog&>(d);
             dialog.NameField()->setText("PACK.TAR.ZIP");
             dialog.ZipButton()->click();
         },
         "Zip file must have an extension of '.ZIP'."},
        {"make directory: a zip file with wildcards",
         kCmdMakeDirectory,
         {},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CMakeDirectoryDialog&>(d);
             dialog.NameField()->setText("P*");
             dialog.ZipButton()->click();
         },
         "Name cannot have wildcards in it!"},
    };
    TFileManagerWindow& fm = OpenC("C:\\");
    WriteIni("");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(fm, c.tagged, "alpha.txt", false);
        std::unique_ptr<QDialog> dialog = fm.MakeFileOpDialog(c.command, false, nullptr);
        c.fill(*dialog);
        m_ui.Reset();
        dialog->accept();
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{c.refusal});
        EXPECT_EQ(ReadAll(IniPath()), "") << "nothing written";
    }
    std::unique_ptr<QDialog> shown = fm.MakeFileOpDialog(kCmdMakeDirectory, false, nullptr);
    auto& make = dynamic_cast<CMakeDirectoryDialog&>(*shown);
    make.NameField()->setText("  ");
    EXPECT_FALSE(make.OkEnabled()) << "Make Directory needs a name";
}

// The Delete key, Shift+Delete, F2 and the menus open the dialog of where
// the focus is; F2 on one file of the list edits its name in place.
TEST_F(FileOpDialogTest, KeysAndMenusOpenTheDialogOfTheFocus) {
    enum How { Key, ShiftDelete, Menu, ContextMenu };
    struct Case {
        const char* name;
        How how;
        int command;
        bool inTree, tagged;
        const char* caption; // nullptr: no dialog
        int deleteType;
    };
    const Case cases[] = {
        {"Delete in the list", Key, kCmdDelete, false, false, "Delete File(s)", kDeleteRecycle},
        {"Shift+Delete in the list", ShiftDelete, kCmdDelete, false, true, "Delete File(s)",
         kDeleteNormal},
        {"Shift+Delete in the tree", ShiftDelete, kCmdDelete, true, false, "Remove Directory",
         kDeleteNormal},
        {"the tree's menu: Delete", ContextMenu, kCmdDelete, true, false, "Remove Directory",
         kDeleteRecycle},
        {"F2 on tagged files", Key, kCmdRename, false, true, "Rename File(s)", 0},
        {"F2 on one file edits in place", Key, kCmdRename, false, false, nullptr, 0},
        {"F2 in the tree", Key, kCmdRename, true, false, "File Rename", 0},
        {"the menu's Rename on one file", Menu, kCmdRename, false, false, "File Rename", 0},
        {"the list's menu: Attributes", ContextMenu, kCmdAttributes, false, true, "File Attributes",
         0},
        {"the tree's menu: Make Directory", ContextMenu, kCmdMakeDirectory, true, false,
         "Make Directory", 0},
    };
    TFileManagerWindow& fm = OpenC("C:\\");
    WriteIni("[File Delete]\nDelete Type=2\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare(fm,
                c.tagged ? std::set<std::string>{"alpha.txt", "gamma"} : std::set<std::string>{},
                "beta.doc", c.inTree);
        std::vector<std::string> captions;
        OnDialog = [&](QDialog& shown) {
            captions.push_back(shown.windowTitle().toStdString());
            EXPECT_EQ(m_app->HelpContext(), c.command);
            if (auto* d = dynamic_cast<CDeleteDialog*>(&shown)) {
                EXPECT_EQ(d->DeleteType(), c.deleteType);
            }
            if (auto* d = dynamic_cast<CFileRenameDialog*>(&shown)) {
                EXPECT_EQ(d->Path(), c.inTree ? "C:\\" : "C:\\beta.doc");
            }
            if (auto* d = dynamic_cast<CFileOpDialog*>(&shown); d && !c.inTree) {
                EXPECT_EQ(d->GroupBox()->currentData().toInt(),
                          c.tagged ? kCopyGroupTagged : kCopyGroupCurrent);
            }
            return static_cast<int>(QDialog::Rejected);
        };
        QWidget* focus = c.inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView();
        if (c.how == Key)
            QTest::keyClick(focus, c.command == kCmdDelete ? Qt::Key_Delete : Qt::Key_F2);
        if (c.how == ShiftDelete)
            QTest::keyClick(focus, Qt::Key_Delete, Qt::ShiftModifier);
        if (c.how == Menu)
            m_appFrame->Action(c.command)->trigger();
        if (c.how == ContextMenu) {
            std::unique_ptr<QMenu> menu(fm.MakeContextMenu(c.inTree, nullptr));
            for (QAction* action : menu->actions())
                if (action->data().toInt() == c.command)
                    action->trigger();
        }
        Pump();
        EXPECT_EQ(captions,
                  c.caption ? std::vector<std::string>{c.caption} : std::vector<std::string>{});
        if (!c.caption) {
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(editor, nullptr) << "the name's editor is open";
            EXPECT_EQ(editor->text(), "beta.doc");
            EXPECT_EQ(editor->selectedText(), "beta") << "ready to type over, extension kept";
            QTest::keyClick(editor, Qt::Key_Escape);
        }
    }
    EXPECT_TRUE(m_started.empty()) << "every dialog was cancelled";
    for (int context : {int(kCmdDelete), int(kCmdRename), int(kCmdAttributes), int(kCmdTouch),
                        int(kCmdMakeDirectory)})
        EXPECT_NE(CHelpWindow::PageFor(context),
                  CHelpWindow::PageFor(CHelpWindow::kContentsContext));
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
    auto noPrompts = [](QDialog& d) {
        auto& dialog = dynamic_cast<CDeleteDialog&>(d);
        dialog.TypeButton(kDeleteNormal)->click();
        dialog.PromptBox()->setChecked(false);
    };
    const int64_t when = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)).toSecsSinceEpoch();
    auto mode = [this](const char* name) {
        struct stat st {};
        EXPECT_EQ(::stat((m_c / name).c_str(), &st), 0) << name;
        return st;
    };
    const Case cases[] = {
        {"delete the tagged files",
         kCmdDelete,
         false,
         {"alpha.txt", "gamma"},
         noPrompts,
         [&] {
             const CDeleteParameters& p = Started<CDeleteParameters>();
             EXPECT_EQ(p.files, (std::vector<std::string>{"alpha.txt", "gamma"}));
             EXPECT_EQ(p.deleteType, kDeleteNormal);
             EXPECT_FALSE(p.promptFirst);
             EXPECT_FALSE(Exists(m_c / "alpha.txt") || Exists(m_c / "gamma"));
             EXPECT_TRUE(Exists(m_c / "beta.doc"));
         }},
        {"remove the tree's directory",
         kCmdDelete,
         true,
         {},
         noPrompts,
         [&] {
             EXPECT_EQ(Started<CRemoveDirectoryParameters>().directory, "C:\\SUB");
             EXPECT_FALSE(Exists(m_c / "SUB"));
         }},
        {"rename the tagged files by a pattern",
         kCmdRename,
         false,
         {"alpha.txt", "beta.doc"},
         [](QDialog& d) { dynamic_cast<CRenameDialog&>(d).NewNameField()->setText("*.BAK"); },
         [&] {
             EXPECT_EQ(Started<CRenameParameters>().newName, "*.BAK");
             EXPECT_TRUE(Exists(m_c / "alpha.BAK") && Exists(m_c / "beta.BAK"));
         }},
        {"rename one file",
         kCmdRename,
         false,
         {},
         [](QDialog& d) {
             dynamic_cast<CFileRenameDialog&>(d).NewNameField()->setText("first.txt");
         },
         [&] {
             EXPECT_EQ(Started<RenameOneRequest>().path, "C:\\alpha.txt");
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
             const CAttributeParameters& p = Started<CAttributeParameters>();
             EXPECT_EQ(p.setMask, 1u);
             EXPECT_EQ(p.clearMask, 0x20u);
             EXPECT_EQ(p.leaveMask, 6u);
             EXPECT_EQ(mode("gamma").st_mode & 0222, 0u) << "read-only";
             EXPECT_NE(mode("beta.doc").st_mode & 0200, 0u) << "not in the group";
         }},
        {"touch the last write time, entered in local time",
         kCmdTouch,
         false,
         {},
         [](QDialog& d) {
             auto& dialog = dynamic_cast<CTouchDialog&>(d);
             dialog.DateField()->setDate(QDate(2001, 2, 3));
             dialog.TimeField()->setTime(QTime(4, 5, 6));
         },
         [&] {
             EXPECT_EQ(Started<CTouchParameters>().fields, kTouchLastWrite);
             EXPECT_EQ(mode("alpha.txt").st_mtime, when);
             EXPECT_NE(mode("beta.doc").st_mtime, when);
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
             EXPECT_EQ(Started<CMakeDirectoryParameters>().currentDirectory, "C:\\");
             EXPECT_TRUE(Exists(m_c / "PACK.ZIP"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreDriveC();
        TFileManagerWindow& fm = OpenC(c.inTree ? "C:\\SUB" : "C:\\");
        WriteIni("");
        m_started.clear();
        Prepare(fm, c.tagged, "alpha.txt", c.inTree);
        OnDialog = [&](QDialog& shown) {
            c.fill(shown);
            shown.accept();
            return shown.result();
        };
        m_appFrame->RunCommand(c.command);
        ASSERT_TRUE(m_appFrame->Jobs().WaitForAll(20000));
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
        const char* listed; // what the list then shows in alpha.txt's place
        const char* shown;  // the start of the message shown, "" none
    };
    const Case cases[] = {
        {"a new name typed in the editor", "first.txt", true, true, "first.txt", ""},
        {"a name already there", "beta.doc", false, true, "alpha.txt", "Unable to rename"},
        {"an invalid name", "a|b", true, true, "alpha.txt", "The file specification \"a|b\""},
        {"the same name", "alpha.txt", false, false, "alpha.txt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreDriveC();
        TFileManagerWindow& fm = OpenC("C:\\");
        m_started.clear();
        m_ui.Reset();
        Prepare(fm, {}, "alpha.txt", false);
        if (c.byEditor) {
            QTest::keyClick(fm.FileView(), Qt::Key_F2);
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(editor, nullptr);
            editor->setText(c.typed);
            QTest::keyClick(editor, Qt::Key_Return);
        } else {
            fm.FileModel()->setData(fm.FileModel()->index(Row(fm, "alpha.txt"), 0),
                                    QString(c.typed), Qt::EditRole);
        }
        ASSERT_TRUE(m_appFrame->Jobs().WaitForAll(20000));
        Pump();
        EXPECT_EQ(m_started.size(), c.runs ? 1u : 0u);
        EXPECT_GE(Row(fm, c.listed), 0) << Names(fm).join(",").toStdString();
        EXPECT_TRUE(Exists(m_c / c.listed));
        const std::vector<std::string> texts = m_ui.Texts();
        ASSERT_EQ(texts.size(), *c.shown ? 1u : 0u);
        if (*c.shown) {
            EXPECT_EQ(texts[0].rfind(c.shown, 0), 0u) << texts[0];
        }
        Shutdown();
    }
}

} // namespace vorlane::gui::test
