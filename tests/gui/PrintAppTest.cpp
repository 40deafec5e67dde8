// Print dirs/files in the running application: Ctrl+P on a file manager
// window opens "Print Dirs / Files List" with its help context, the list
// choices come from and go back to the settings file, and OK prints.
#include "AppFrameTest.h"

#include "gui/CJobManager.h"
#include "gui/CPrintDirsFilesList.h"

#include <QLineEdit>
#include <QRadioButton>

namespace vorlane::gui::test {

namespace {

class PrintAppTest : public AppFrameTest {};

} // namespace

TEST_F(PrintAppTest, CtrlPOpensTheDialogWithItsHelpAndTheSettingsFileKeepsTheChoice) {
    WriteIni("[Dirs/Files List Print]\nPrint Dirs List = \"1\"\nPrint Files List=0\n");
    TFileManagerWindow& fm = OpenC();
    const std::string pdf = m_d / "files.pdf";
    int opened = 0;
    OnDialog = [&](QDialog& shown) {
        auto* dialog = dynamic_cast<CPrintDirsFilesList*>(&shown);
        if (!dialog)
            return static_cast<int>(QDialog::Rejected);
        ++opened;
        EXPECT_EQ(m_app->HelpContext(), CPrintDirsFilesList::kHelpContext);
        EXPECT_TRUE(dialog->DirectoryListButton()->isChecked());
        dialog->FilesListButton()->setChecked(true);
        dialog->PdfButton()->setChecked(true);
        dialog->PdfFileField()->setText(QString::fromStdString(pdf));
        return static_cast<int>(QDialog::Accepted);
    };
    fm.FileView()->setFocus();
    QTest::keyClick(fm.FileView(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return m_appFrame->Jobs().Idle(); }));
    EXPECT_EQ(opened, 1);
    EXPECT_NE(m_app->HelpContext(), CPrintDirsFilesList::kHelpContext);
    EXPECT_TRUE(Exists(pdf));
    const auto section = Section("Dirs/Files List Print");
    EXPECT_EQ(section.at("Print Dirs List"), "0");
    EXPECT_EQ(section.at("Print Files List"), "1");
    EXPECT_EQ(section.at("PDF File"), pdf);
}

} // namespace vorlane::gui::test
