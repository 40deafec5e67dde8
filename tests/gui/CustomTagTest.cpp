#include "AppFrameTest.h"

#include "gui/CCustomTagDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSpinBox>

#include <algorithm>

namespace vorlane::gui::test {

// What the conditions select is tested with the search module's criteria;
// here the dialog, the frame and the settings.

class CustomTagTest : public AppFrameTest {
  protected:
    static int TaggedRows(TFileManagerWindow& fm) {
        const auto& files = fm.Session().CurrentDirectory()->Files();
        return static_cast<int>(
            std::count_if(files.begin(), files.end(), [](const auto& f) { return f->Tagged(); }));
    }
};

TEST_F(CustomTagTest, OkTagsTheMatchingFilesAndRemembersTheValues) {
    TFileManagerWindow& fm = OpenC();
    OnDialog = [&](QDialog& dialog) {
        auto& tag = dynamic_cast<CCustomTagDialog&>(dialog);
        EXPECT_EQ(m_app->HelpContext(), 14435);
        tag.FileTypes()->setText("*.TXT;-BETA*;GAM*");
        tag.SizeModeBox()->setCurrentIndex(static_cast<int>(SizeMode::LessThan));
        tag.SizeKb()->setValue(2);
        tag.accept();
        return tag.result();
    };
    m_appFrame->RunCommand(14435);
    EXPECT_EQ(m_app->HelpContext(), 15);
    EXPECT_EQ(TaggedRows(fm), 2) << "alpha.txt and gamma, 310 bytes";
    EXPECT_EQ(fm.StatusText(3).simplified(), "Tagged 2 file(s), 0.3KB");
    EXPECT_EQ(m_appFrame->FrameStatusBar()->Field(3).simplified(), "Tagged 2 file(s), 0.3KB");
    EXPECT_EQ(Ini().GetString("File Search Details", "Filespecs"), "*.TXT;-BETA*;GAM*");

    // The next Custom Tag starts from the values kept.
    OnDialog = [&](QDialog& dialog) {
        auto& tag = dynamic_cast<CCustomTagDialog&>(dialog);
        EXPECT_EQ(tag.FileTypes()->text(), "*.TXT;-BETA*;GAM*");
        EXPECT_EQ(tag.SizeModeBox()->currentIndex(), static_cast<int>(SizeMode::LessThan));
        EXPECT_EQ(tag.SizeKb()->value(), 2);
        return static_cast<int>(QDialog::Rejected);
    };
    m_appFrame->RunCommand(14435);
}

TEST_F(CustomTagTest, CancelAndRefusalsChangeNothing) {
    TFileManagerWindow& fm = OpenC();
    QString before = fm.StatusText(3);
    OnDialog = [&](QDialog& dialog) {
        auto& tag = dynamic_cast<CCustomTagDialog&>(dialog);
        tag.FileTypes()->setText("*.TXT;;");
        tag.accept();
        EXPECT_NE(tag.result(), QDialog::Accepted) << "stays open";
        tag.FileTypes()->setText("*.*");
        tag.DateModeBox()->setCurrentIndex(static_cast<int>(DateMode::Between));
        tag.Date1()->setDate(QDate(2000, 1, 2));
        tag.Date2()->setDate(QDate(2000, 1, 1));
        tag.accept();
        EXPECT_NE(tag.result(), QDialog::Accepted) << "stays open";
        return static_cast<int>(QDialog::Rejected); // then Cancel
    };
    m_appFrame->RunCommand(14435);
    // The refusal texts themselves are checked with the criteria above.
    ASSERT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_EQ(m_ui.Shown()[1].text, "The BEFORE date is greater than the AFTER date!");
    EXPECT_EQ(TaggedRows(fm), 0);
    EXPECT_EQ(fm.StatusText(3), before);
    EXPECT_EQ(Ini().GetString("File Search Details", "Filespecs"), "");
}

TEST_F(CustomTagTest, CtrlCInTheFileManagerRunsCustomTag) {
    TFileManagerWindow& fm = OpenC();
    int shown = 0;
    OnDialog = [&](QDialog& dialog) {
        shown += dynamic_cast<CCustomTagDialog*>(&dialog) != nullptr;
        static_cast<CCustomTagDialog&>(dialog).accept(); // every file
        return dialog.result();
    };
    m_appFrame->activateWindow();
    fm.FileView()->setFocus();
    Pump();
    QTest::keyClick(fm.FileView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(TaggedRows(fm), 3);
}

} // namespace vorlane::gui::test
