// The commands on a zip directory: "Add File(s) To ZIP File" (its controls,
// the settings it reads and writes, the add it starts, cancel) and "Zip
// File Comments", and where the commands are offered.
#include "GuiTestSupport.h"

#include "fileops/ZipArchiveCommands.h"
#include "gui/CFileOpDialogs.h"
#include "gui/CHelpWindow.h"
#include "gui/CJobManager.h"
#include "gui/CZipDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <cstdlib>
#include <sstream>

namespace vorlane::gui::test {

namespace {

class ZipAddDialogTest : public GuiTest {
  protected:
    ZipAddDialogTest() {
        ::mkdir((m_c / "IN").c_str(), 0700);
        std::ofstream(m_stage / "readme.txt") << "r";
        std::ofstream(m_c / "IN/new.txt") << "new";
        std::ofstream(m_c / "IN/my file.txt") << "spaced";
        const std::string command =
            "cd '" + m_stage.path() + "' && zip -q -X '" + (m_c / "ARCH.ZIP") + "' readme.txt";
        m_made = std::system(command.c_str()) == 0;
    }
    std::string Setting(const char* key) { return m_store.Read("ZIP/UNZIP Settings", key); }
    // The member names as Info-ZIP lists them.
    std::string Members() {
        const std::string out = m_stage / "list.txt";
        const std::string command = "unzip -Z1 '" + (m_c / "ARCH.ZIP") + "' >'" + out + "'";
        if (std::system(command.c_str()) != 0)
            return "";
        std::string names, line;
        std::istringstream lines(ReadAll(out));
        while (std::getline(lines, line))
            names += (names.empty() ? "" : ",") + line;
        return names;
    }
    // Types names into the dialog's file name field, as a user would.
    static void Choose(CZipAddDialog& dialog, const QString& names) {
        auto* field = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(field, nullptr);
        field->setText(names);
    }

    vorlane::test::TempDir m_stage;
    MemorySettingsStore m_store;
    bool m_made = false;
};

} // namespace

TEST_F(ZipAddDialogTest, TheDialogShowsTheStoredOptionsAndAddsWhatWasChosen) {
    ASSERT_TRUE(m_made);
    m_store.Write("ZIP/UNZIP Settings", "Zip Add Path", "C:\\IN");
    m_store.Write("ZIP/UNZIP Settings", "Zip Action", "2");
    m_store.Write("ZIP/UNZIP Settings", "Zip Add Options", "1");
    m_store.Write("ZIP/UNZIP Settings", "Zip Compression Factor", "7");
    m_store.Write("ZIP/UNZIP Settings", "Zip Path Mode", "1");
    TFileManagerWindow& fm = Open("C:", "C:\\ARCH.ZIP");
    bool shown = false;
    Frame().SetDialogRunner([&](QDialog& d) {
        auto* dialog = dynamic_cast<CZipAddDialog*>(&d);
        EXPECT_NE(dialog, nullptr);
        if (!dialog)
            return static_cast<int>(QDialog::Rejected);
        shown = true;
        EXPECT_EQ(dialog->windowTitle(), "Add File(s) To ZIP File");
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), m_c / "IN");
        QStringList actions;
        for (int i = 0; i < dialog->ActionBox()->count(); ++i)
            actions << dialog->ActionBox()->itemText(i);
        EXPECT_EQ(actions, (QStringList{"Add", "Freshen", "Update"}));
        EXPECT_EQ(dialog->ActionBox()->currentText(), "Update");
        // A stored factor no choice has selects "Normal".
        EXPECT_EQ(dialog->CompressionBox()->currentText(), "Normal");
        EXPECT_TRUE(dialog->PathButton(1)->isChecked());
        EXPECT_EQ(dialog->PathButton(2)->text(), "Store F&ull Paths");
        EXPECT_TRUE(dialog->RecurseBox()->isChecked());
        EXPECT_FALSE(dialog->ShortNamesBox()->isChecked());
        EXPECT_EQ(dialog->PasswordField()->maxLength(), 65);

        dialog->ActionBox()->setCurrentIndex(0);
        dialog->CompressionBox()->setCurrentIndex(
            dialog->CompressionBox()->findText("Maximum (slowest)"));
        dialog->PathButton(0)->setChecked(true);
        dialog->RecurseBox()->setChecked(false);
        dialog->ShortNamesBox()->setChecked(true);
        Choose(*dialog, "\"new.txt\" \"my file.txt\"");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
        return dialog->result();
    });
    Frame().RunCommand(kCmdZipAddFiles);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(m_ui.Texts().empty()) << m_ui.Texts().front();
    // 8.3 names chosen: the spaced name is stored short.
    EXPECT_EQ(Members(), "readme.txt,NEW.TXT,MYFILE.TXT");
    ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
    EXPECT_EQ(m_ui.StatusWindows()[0]->caption, "Adding Files To Zip ARCH.ZIP");
    // The window shows the new members once the change notice arrived.
    Pump();
    EXPECT_TRUE(Names(fm).contains("NEW.TXT")) << Names(fm).join(",").toStdString();
    // OK wrote every key; "Maximum (slowest)" is 9.
    EXPECT_EQ(Setting("Zip Add Path"), "C:\\IN");
    EXPECT_EQ(Setting("Zip Action"), "0");
    EXPECT_EQ(Setting("Zip Add Options"), "2");
    EXPECT_EQ(Setting("Zip Compression Factor"), "9");
    EXPECT_EQ(Setting("Zip Path Mode"), "0");
}

TEST_F(ZipAddDialogTest, CancelChangesNothingAndOpensNoStatusWindow) {
    ASSERT_TRUE(m_made);
    m_store.Write("ZIP/UNZIP Settings", "Zip Action", "1");
    Open("C:", "C:\\ARCH.ZIP");
    const std::string before = ReadAll(m_c / "ARCH.ZIP");
    Frame().SetDialogRunner([&](QDialog& d) {
        if (auto* dialog = dynamic_cast<CZipAddDialog*>(&d)) {
            dialog->ActionBox()->setCurrentIndex(2);
            Choose(*dialog, "\"" + QString::fromStdString(m_c / "IN/new.txt") + "\"");
        }
        return static_cast<int>(QDialog::Rejected);
    });
    Frame().RunCommand(kCmdZipAddFiles);
    EXPECT_TRUE(m_ui.StatusWindows().empty());
    EXPECT_EQ(ReadAll(m_c / "ARCH.ZIP"), before);
    EXPECT_EQ(Setting("Zip Action"), "1");
    EXPECT_EQ(Setting("Zip Add Path"), "");
}

TEST_F(ZipAddDialogTest, TheCommandsAreOfferedOnAZipDirectoryOnly) {
    ASSERT_TRUE(m_made);
    TFileManagerWindow& plain = Open("C:", "C:\\IN");
    EXPECT_FALSE(plain.CarriesCommand(kCmdZipAddFiles));
    EXPECT_FALSE(plain.CarriesCommand(kCmdZipComment));
    for (bool inTree : {true, false}) {
        std::vector<int> ids = plain.ContextMenuCommands(inTree);
        EXPECT_EQ(std::count(ids.begin(), ids.end(), kCmdZipAddFiles), 0);
    }
    // Nothing happens without a zip directory, not even a dialog.
    Frame().SetDialogRunner([](QDialog&) {
        ADD_FAILURE() << "a dialog opened";
        return static_cast<int>(QDialog::Rejected);
    });
    Frame().RunCommand(kCmdZipAddFiles);

    TFileManagerWindow& zip = Open("C:", "C:\\ARCH.ZIP");
    EXPECT_EQ(zip.CurrentZipFile(), "C:\\ARCH.ZIP");
    // An archive window (the archive as a drive) offers them too.
    TFileManagerWindow* archive =
        Frame().OpenFileManager("C:\\ARCH.ZIP", catalogue::kDriveZip, true);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->CurrentZipFile(), "C:\\ARCH.ZIP");
    for (bool inTree : {true, false}) {
        std::vector<int> ids = zip.ContextMenuCommands(inTree);
        EXPECT_EQ(std::count(ids.begin(), ids.end(), kCmdZipAddFiles), 1);
        EXPECT_EQ(std::count(ids.begin(), ids.end(), kCmdZipComment), 1);
    }
    // Renaming it prompts with the name shortened.
    CFileRenameDialog rename("C:\\A_RATHER_LONG_DIRECTORY_NAME\\ARCH.ZIP", true);
    EXPECT_EQ(rename.PromptText().toStdString(),
              "&Enter a new name for directory\nC:\\..Y_NAME\\ARCH.ZIP:");
    EXPECT_EQ(CHelpWindow::PageFor(CZipAddDialog::kHelpContext), "qrc:/help/14170.html");
    EXPECT_EQ(CHelpWindow::PageFor(CZipCommentDialog::kHelpContext), "qrc:/help/15055.html");
}

TEST_F(ZipAddDialogTest, TheCommentDialogShowsAndSavesTheComment) {
    ASSERT_TRUE(m_made);
    ::mkdir((m_c / "A_RATHER_LONG_DIRECTORY_NAME").c_str(), 0700);
    ::mkdir((m_c / "A_RATHER_LONG_DIRECTORY_NAME/DEEPER").c_str(), 0700);
    const std::string deep = m_c / "A_RATHER_LONG_DIRECTORY_NAME/DEEPER/C.ZIP";
    ASSERT_EQ(std::system(("echo 'old words' | zip -q -z '" + (m_c / "ARCH.ZIP") + "'").c_str()),
              0);
    ASSERT_EQ(std::system(("cp '" + (m_c / "ARCH.ZIP") + "' '" + deep + "'").c_str()), 0);
    Open("C:", "C:\\A_RATHER_LONG_DIRECTORY_NAME\\DEEPER\\C.ZIP");
    struct Case {
        bool ok;
        const char* typed; // null: left as it was
        const char* stored;
    } cases[] = {
        {false, "thrown away", "old words"},
        {true, nullptr, "old words"},
        {true, "new words\nsecond line", "new words\nsecond line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Frame().SetDialogRunner([&](QDialog& d) {
            auto* dialog = dynamic_cast<CZipCommentDialog*>(&d);
            EXPECT_NE(dialog, nullptr);
            if (!dialog)
                return static_cast<int>(QDialog::Rejected);
            EXPECT_EQ(dialog->windowTitle(), "Zip File Comments");
            EXPECT_EQ(dialog->PathText().toStdString(), "C:\\..ONG_DIRECTORY_NAME\\DEEPER");
            EXPECT_EQ(dialog->NameText(), "C.ZIP");
            if (c.typed)
                dialog->CommentField()->setPlainText(c.typed);
            return static_cast<int>(c.ok ? QDialog::Accepted : QDialog::Rejected);
        });
        Frame().RunCommand(kCmdZipComment);
        EXPECT_EQ(fileops::ReadZipComment(Frame().Jobs().NewContext(),
                                          "C:\\A_RATHER_LONG_DIRECTORY_NAME\\DEEPER\\C.ZIP"),
                  std::optional<std::string>(c.stored));
    }
    EXPECT_TRUE(m_ui.Texts().empty());

    // The field takes 512 characters.
    CZipCommentDialog dialog("C:\\ARCH.ZIP", "", nullptr);
    dialog.CommentField()->setPlainText(QString(600, 'x'));
    EXPECT_EQ(dialog.Comment().size(), 512u);
    EXPECT_EQ(dialog.PathText(), "C:\\");
}

} // namespace vorlane::gui::test
