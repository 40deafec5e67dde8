// The Zip-To-Exe commands of the frame's Zip menu and the window's File
// menu: the "Open ZIP File" dialog and "Zip Open Path", the checks of the
// archive, the "ZipToExe" dialog with every control and "CompanyName",
// and the self-extractor the job makes.
#include "GuiTestSupport.h"

#include "fileops/ZipToExe.h"
#include "gui/CZipToExeDialog.h"
#include "platform/ProgramDirs.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <functional>

namespace vorlane::gui::test {

namespace {

class ZipToExeDialogTest : public GuiTest {
  protected:
    ZipToExeDialogTest() {
        std::ofstream(m_stage / "README.TXT") << "read me";
        ::mkdir((m_stage / "docs").c_str(), 0700);
        std::ofstream(m_stage / "docs/notes.txt") << std::string(3000, 'n');
        const std::string command = "cd '" + m_stage.path() + "' && zip -q -X '" +
                                    (m_c / "SET.ZIP") + "' README.TXT docs/notes.txt";
        m_made = std::system(command.c_str()) == 0;
        Frame().SetDialogRunner([this](QDialog& dialog) {
            auto* d = dynamic_cast<CZipToExeDialog*>(&dialog);
            EXPECT_NE(d, nullptr);
            if (!d || !m_answer)
                return static_cast<int>(QDialog::Rejected);
            ++m_dialogs;
            return m_answer(*d);
        });
    }

    vorlane::test::TempDir m_stage;
    MemorySettingsStore m_store;
    std::function<int(CZipToExeDialog&)> m_answer;
    int m_dialogs = 0;
    bool m_made = false;
};

} // namespace

TEST_F(ZipToExeDialogTest, TheZipMenuAsksForTheArchiveFillsTheDialogAndBuildsTheProgram) {
    ASSERT_TRUE(m_made);
    if (fileops::FindSfxStub(platform::ProgramDirectory()).empty())
        GTEST_SKIP() << "the loader vorlnsfx is not built beside the test program";
    m_store.Write("ZIP/UNZIP Settings", "Zip Open Path", "C:\\OTHER");
    m_store.Write("ZipToExe", "CompanyName", "Old Company");
    m_ui.QueueOpenFile(std::string("C:\\SET.ZIP"));
    m_ui.QueueDirectory(std::string("C:\\OTHER"));
    m_answer = [&](CZipToExeDialog& d) {
        EXPECT_EQ(d.windowTitle(), "ZipToExe");
        EXPECT_EQ(d.ZipNameLabel()->text(), "C:\\SET.ZIP");
        EXPECT_TRUE(d.DirectoryField()->text().isEmpty());
        EXPECT_EQ(d.DirectoryField()->maxLength(), 255);
        EXPECT_EQ(d.CompanyField()->maxLength(), 60);
        EXPECT_EQ(d.CompanyField()->text(), "Old Company");
        QStringList entries;
        for (int i = 0; i < d.StartupList()->count(); ++i)
            entries << d.StartupList()->itemText(i);
        EXPECT_EQ(entries, (QStringList{"", "README.TXT", "docs/notes.txt"}));
        EXPECT_EQ(d.StartupList()->currentIndex(), 0);
        for (const char* text :
             {"Zip Filename:", "Default Extraction Directory:",
              "Startup ASCII File To Display (README.DOC for example):",
              "Company Name (or Message) To Display On Self-Extracting Main Dialog:"}) {
            bool found = false;
            for (QLabel* label : d.findChildren<QLabel*>())
                found = found || label->text() == text;
            EXPECT_TRUE(found) << text;
        }
        // Browse hands the picked directory over as the host path.
        d.BrowseButton()->click();
        EXPECT_EQ(d.DirectoryField()->text().toStdString(), m_c / "OTHER");
        d.StartupList()->setCurrentIndex(1);
        d.CompanyField()->setText("New Company");
        d.accept();
        return static_cast<int>(QDialog::Accepted);
    };
    Frame().RunCommand(kCmdZipToExe);
    Pump();
    EXPECT_EQ(m_dialogs, 1);
    ASSERT_GE(m_ui.Shown().size(), 3u);
    EXPECT_EQ(m_ui.Shown()[0].caption, "Open ZIP File");
    EXPECT_EQ(m_ui.Shown()[0].text, "ZIP Files (*.zip)|*.ZIP|C:\\OTHER");
    EXPECT_EQ(m_ui.Shown()[1].kind, ui::PromptKind::Directory);
    EXPECT_EQ(m_ui.Shown()[2].text, "'C:\\SET.EXE' created successfully!");
    EXPECT_EQ(m_ui.Shown()[2].caption, "Success!");
    EXPECT_EQ(m_store.Read("ZIP/UNZIP Settings", "Zip Open Path"), "C:\\");
    EXPECT_EQ(m_store.Read("ZipToExe", "CompanyName"), "New Company");

    // The program carries the three texts and the archive.
    const std::string made = ReadAll(m_c / "SET.EXE");
    EXPECT_NE(made.find("New Company "), std::string::npos);
    EXPECT_NE(made.find(m_c / "OTHER"), std::string::npos);
    EXPECT_NE(made.find("README.TXT "), std::string::npos);
    EXPECT_EQ(std::system(("unzip -tq '" + (m_c / "SET.EXE") + "' >/dev/null").c_str()), 0);
}

TEST_F(ZipToExeDialogTest, TheFileMenuTakesTheCaretZipFileAndChecksComeFirst) {
    ASSERT_TRUE(m_made);
    std::ofstream(m_c / "TEXT.ZIP") << "not an archive";
    const std::string empty = "cd '" + m_stage.path() + "' && zip -q '" + (m_c / "EMPTY.ZIP") +
                              "' README.TXT && zip -qd '" + (m_c / "EMPTY.ZIP") + "' README.TXT";
    ASSERT_EQ(std::system(empty.c_str()), 0);
    TFileManagerWindow& w = Open();
    m_store.Write("ZipToExe", "CompanyName", "Kept");
    struct Case {
        const char* caret;
        const char* text; // the check's text, or null: the dialog opens
    } cases[] = {
        {"SET.ZIP", nullptr},
        {"TEXT.ZIP", "'C:\\TEXT.ZIP' is NOT a zip file!"},
        {"EMPTY.ZIP", "'C:\\EMPTY.ZIP' is empty!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caret);
        m_ui.Reset();
        m_dialogs = 0;
        // Zip files are directories of the tree: the window stands in one.
        w.Tree()->setCurrentIndex(w.TreeModel()->IndexOfPath("C:\\" + std::string(c.caret)));
        // The dialog is cancelled: nothing is built or saved.
        m_answer = [&](CZipToExeDialog& d) {
            EXPECT_EQ(d.Parameters().zipPath, "C:\\" + std::string(c.caret));
            d.CompanyField()->setText("Changed");
            return static_cast<int>(QDialog::Rejected);
        };
        Frame().RunCommand(kCmdFileZipToExe);
        Pump();
        EXPECT_EQ(m_dialogs, c.text ? 0 : 1);
        EXPECT_EQ(m_ui.Texts(),
                  c.text ? std::vector<std::string>{c.text} : std::vector<std::string>{});
        EXPECT_FALSE(Exists(m_c / "SET.EXE"));
        EXPECT_EQ(m_store.Read("ZipToExe", "CompanyName"), "Kept");
    }
    // In a plain directory the command asks for the archive; cancelled, it ends.
    w.GoTo("C:\\");
    m_ui.Reset();
    m_ui.QueueOpenFile(std::nullopt);
    Frame().RunCommand(kCmdFileZipToExe);
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].caption, "Open ZIP File");
}

// "Program for:" starts at Linux; the keyboard reaches Windows only when
// its loader is in the stub directory, and the choice reaches the build's
// parameters (Browse, which picks host directories, is for Linux only).
TEST_F(ZipToExeDialogTest, WindowsCanBeChosenOnlyWithItsLoader) {
    const std::string stubs = m_stage / "stubs";
    ::mkdir(stubs.c_str(), 0700);
    std::ofstream(stubs + "/VORLNSFX.DLL") << "linux loader";
    struct Case {
        bool windowsLoader;
        fileops::SfxTarget chosen; // after Down
    } cases[] = {
        {false, fileops::SfxTarget::Linux},
        {true, fileops::SfxTarget::Windows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windowsLoader);
        if (c.windowsLoader)
            std::ofstream(stubs + "/vorlnsfx.exe") << "windows loader";
        CZipToExeDialog d("C:\\SET.ZIP", {"README.TXT"}, nullptr, stubs);
        EXPECT_EQ(d.ProgramList()->currentText(), "Linux");
        EXPECT_EQ(d.Parameters().target, fileops::SfxTarget::Linux);
        QTest::keyClick(d.ProgramList(), Qt::Key_Down);
        const fileops::ZipToExeParameters p = d.Parameters();
        EXPECT_EQ(p.target, c.chosen);
        EXPECT_EQ(p.stubDirectory, stubs);
        EXPECT_EQ(d.BrowseButton()->isEnabled(), c.chosen == fileops::SfxTarget::Linux);
    }
}

} // namespace vorlane::gui::test
