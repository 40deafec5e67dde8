#include "AppFrameTest.h"

#include "catalogue/CFileInfo.h"
#include "gui/CCustomTagDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSpinBox>

#include <algorithm>

namespace vorlane::gui::test {

namespace {

using catalogue::CFileInfo;

std::unique_ptr<CFileInfo> File(const std::string& name, uint64_t size, QDate date,
                                uint32_t attributes) {
    auto file = std::make_unique<CFileInfo>();
    file->SetName(name);
    file->SetSize(size);
    file->SetDate(DosDateOf(date));
    file->SetAttributes(attributes);
    return file;
}

CFileSearchCriteriaTransfer Types(const std::string& fileTypes) {
    CFileSearchCriteriaTransfer t;
    t.fileTypes = fileTypes;
    return t;
}

} // namespace

// What the conditions built from the dialog's values select, over a few
// files of known name, size, date and attributes.
TEST(CustomTagCriteria, SelectWhatTheDialogAsked) {
    const QDate d1997(1997, 6, 15);
    const QDate d1998(1998, 1, 1);
    std::vector<std::unique_ptr<CFileInfo>> files;
    files.push_back(File("README", 0, d1997, 0x20));
    files.push_back(File("notes.txt", 1, d1997, 0x01));
    files.push_back(File("old.bak", 1024, d1998, 0x03));
    files.push_back(File("Apple.doc", 1025, QDate(1997, 1, 1), 0x02));
    files.push_back(File("apple.txt", 5000, QDate(1997, 12, 31), 0x00));

    auto sized = [](SizeMode mode, int64_t kb) {
        CFileSearchCriteriaTransfer t;
        t.sizeMode = mode;
        t.sizeKb = kb;
        return t;
    };
    auto dated = [](DateMode mode, QDate a, QDate b = {}) {
        CFileSearchCriteriaTransfer t;
        t.dateMode = mode;
        t.date1 = a;
        t.date2 = b;
        return t;
    };
    auto attrs = [](Qt::CheckState ro, Qt::CheckState hidden) {
        CFileSearchCriteriaTransfer t;
        t.attributes[kBoxReadOnly] = ro;
        t.attributes[kBoxHidden] = hidden;
        return t;
    };
    const Qt::CheckState on = Qt::Checked, off = Qt::Unchecked, either = Qt::PartiallyChecked;
    struct Case {
        const char* name;
        CFileSearchCriteriaTransfer transfer;
        std::string expected; // the names selected, joined by " "
    };
    const Case cases[] = {
        {"empty types: every file", Types(""), "README notes.txt old.bak Apple.doc apple.txt"},
        {"*.* also names without a dot", Types("*.*"),
         "README notes.txt old.bak Apple.doc apple.txt"},
        {"wildcard ignores case", Types("*.TXT"), "notes.txt apple.txt"},
        {"first entry decides: exclude first", Types("-*.BAK;*.*"),
         "README notes.txt Apple.doc apple.txt"},
        {"first entry decides: include first", Types("*.*;-*.BAK"),
         "README notes.txt old.bak Apple.doc apple.txt"},
        {"only excludes select nothing", Types("-*.BAK"), ""},
        {"sets compare as the name has it", Types("[A-C]*"), "Apple.doc"},
        {"unknown file set adds nothing", Types("[Pictures];*.DOC"), "Apple.doc"},
        {"less than 1 KB: empty files only", sized(SizeMode::LessThan, 1), "README"},
        {"greater than 1 KB rounds up", sized(SizeMode::GreaterThan, 1), "Apple.doc apple.txt"},
        {"before a day", dated(DateMode::Before, d1997), "Apple.doc"},
        {"on a day", dated(DateMode::On, d1997), "README notes.txt"},
        {"after a day", dated(DateMode::After, d1997), "old.bak apple.txt"},
        {"between two days, both included",
         dated(DateMode::Between, QDate(1997, 1, 1), QDate(1997, 12, 31)),
         "README notes.txt Apple.doc apple.txt"},
        {"read-only set", attrs(on, either), "notes.txt old.bak"},
        {"read-only and hidden set", attrs(on, on), "old.bak"},
        {"hidden cleared", attrs(either, off), "README notes.txt apple.txt"},
        {"each cleared box must be clear", attrs(off, off), "README apple.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string refusal;
        auto criteria = CSearchDetailsCriteria::Build(c.transfer, &refusal);
        ASSERT_NE(criteria, nullptr) << refusal;
        std::string selected;
        for (const auto& file : files)
            if (criteria->Matches(*file))
                selected += (selected.empty() ? "" : " ") + file->Name();
        EXPECT_EQ(selected, c.expected);
    }
}

TEST(CustomTagCriteria, RefusesBadFileTypesAndReversedDates) {
    const std::string badSpec = "\" is invalid. It contains invalid characters or it violates "
                                "the the DOS file specification syntax.";
    CFileSearchCriteriaTransfer reversed;
    reversed.dateMode = DateMode::Between;
    reversed.date1 = QDate(1998, 1, 1);
    reversed.date2 = QDate(1997, 1, 1);
    struct Case {
        const char* name;
        CFileSearchCriteriaTransfer transfer;
        std::string refusal;
    };
    const Case cases[] = {
        {"empty item", Types("*.TXT;;*.DOC"), "The file specification \"" + badSpec},
        {"unclosed set", Types("*.TXT;[a-"), "The file specification \"[a-" + badSpec},
        {"sign without wildcard", Types("-"), "The file specification \"-" + badSpec},
        {"trailing escape", Types("a\\"), "The file specification \"a\\" + badSpec},
        {"reversed dates", reversed, "The BEFORE date is greater than the AFTER date!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string refusal;
        EXPECT_EQ(CSearchDetailsCriteria::Build(c.transfer, &refusal), nullptr);
        EXPECT_EQ(refusal, c.refusal);
    }
}

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
