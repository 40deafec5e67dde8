// The file set dialogs over a real object database, and the window's File
// Search Criteria hiding and showing files.
#include "AppFrameTest.h"

#include "gui/CCustomTagDialog.h"
#include "gui/CFileSetDialogs.h"
#include "gui/Commands.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>

namespace vorlane::gui::test {

namespace {

std::vector<std::string> Rows(const QTableWidget& grid) {
    std::vector<std::string> rows;
    for (int r = 0; r < grid.rowCount(); ++r)
        rows.push_back(grid.item(r, 0)->text().toStdString() + " " +
                       grid.item(r, 1)->text().toStdString());
    return rows;
}

} // namespace

class FileSetsDialogTest : public GuiTest {
  protected:
    void SetUp() override { ASSERT_TRUE(m_db.Open(m_c / "VORLN32.DAT", true, 30000)); }
    objdb::CObjectDatabase m_db;
    search::CFileSetStore m_store{m_db};
    std::function<int(QDialog&)> m_onSubDialog;
    DialogRunner Runner() {
        return [this](QDialog& dialog) { return m_onSubDialog(dialog); };
    }
};

TEST_F(FileSetsDialogTest, NewSetThroughTheEditorGrid) {
    CFileSetsDialog sets(m_store, Runner());
    EXPECT_EQ(sets.windowTitle(), "File Sets");
    EXPECT_EQ(sets.List()->count(), 0);
    m_onSubDialog = [&](QDialog& dialog) {
        auto& edit = dynamic_cast<CFileSetEdit&>(dialog);
        EXPECT_EQ(edit.windowTitle(), "New File Set");
        struct Step {
            const char* typed;
            bool exclude;
        } steps[] = {{"*.txt", false},
                     {" *.TXT ", true},
                     {"[A-", false},
                     {"C:\\*.TXT", false},
                     {"temp*.*", true}};
        for (const Step& s : steps) {
            edit.WildcardField()->setText(s.typed);
            (s.exclude ? edit.ExcludeButton() : edit.IncludeButton())->setChecked(true);
            edit.AddWildcard();
        }
        EXPECT_EQ(Rows(*edit.Grid()),
                  (std::vector<std::string>{"*.TXT Include", "TEMP*.* Exclude"}));
        EXPECT_EQ(edit.Grid()->currentRow(), 1);
        edit.NameField()->setText("Texte Ä");
        Shot(edit, "file-set-edit.png");
        edit.accept();
        return edit.result();
    };
    sets.NewSet();
    EXPECT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_TRUE(m_ui.Showed("'[A-' is NOT a valid wildcard!"));
    EXPECT_TRUE(m_ui.Showed("'C:\\*.TXT' is NOT a valid wildcard!"));
    EXPECT_EQ(sets.Selected(), "Texte Ä");
    Shot(sets, "file-sets.png");
    std::string stored;
    ASSERT_TRUE(m_db.GetString(objdb::kObjectKindFileSet, "Texte Ä", &stored));
    EXPECT_EQ(stored, "~Wildcards~+*.TXT~-TEMP*.*");
}

TEST_F(FileSetsDialogTest, ModifyClearRenameAndDelete) {
    std::string error;
    ASSERT_TRUE(m_store.Save("Pictures", {{true, "*.BMP"}, {true, "*.GIF"}}, &error));
    ASSERT_TRUE(m_store.Save("Docs", {{true, "*.DOC"}}, &error));
    CFileSetsDialog sets(m_store, Runner());
    sets.Select("Pictures");

    // Modify: Clear List asks with the count; then the set is saved empty.
    m_ui.QueueYesNo(false);
    m_ui.QueueYesNo(true);
    m_onSubDialog = [&](QDialog& dialog) {
        auto& edit = dynamic_cast<CFileSetEdit&>(dialog);
        EXPECT_EQ(edit.windowTitle(), "Modify File Set");
        EXPECT_EQ(Rows(*edit.Grid()), (std::vector<std::string>{"*.BMP Include", "*.GIF Include"}));
        edit.ClearList(); // No: kept
        EXPECT_EQ(edit.Grid()->rowCount(), 2);
        edit.ClearList(); // Yes
        EXPECT_EQ(edit.Grid()->rowCount(), 0);
        edit.accept();
        return edit.result();
    };
    sets.ModifySet();
    EXPECT_TRUE(m_ui.Showed("Do you wish to clear the 2 wildcards defined?"));
    std::string stored;
    ASSERT_TRUE(m_db.GetString(objdb::kObjectKindFileSet, "Pictures", &stored));
    EXPECT_EQ(stored, "~Wildcards~");

    // Rename onto a name in use fails with the database's reason; then works.
    m_onSubDialog = [&](QDialog& dialog) {
        auto& rename = dynamic_cast<CFileSetRename&>(dialog);
        EXPECT_EQ(rename.windowTitle(), "File Set Rename");
        EXPECT_EQ(rename.Prompt()->text(), "Enter a new name for file set 'Pictures':");
        rename.NewName()->setText("Docs");
        return static_cast<int>(QDialog::Accepted);
    };
    sets.RenameSet();
    EXPECT_TRUE(m_ui.Showed("Unable to rename file set 'Pictures' to 'Docs'.\n\n"
                            "Specified key already exists!"));
    m_onSubDialog = [&](QDialog& dialog) {
        dynamic_cast<CFileSetRename&>(dialog).NewName()->setText("Bilder");
        return static_cast<int>(QDialog::Accepted);
    };
    sets.RenameSet();
    EXPECT_EQ(sets.Selected(), "Bilder");

    // Delete asks; No keeps the set, Yes deletes it.
    m_ui.QueueYesNo(false);
    sets.DeleteSet();
    EXPECT_EQ(sets.List()->count(), 2);
    m_ui.QueueYesNo(true);
    sets.Select("Bilder");
    sets.DeleteSet();
    EXPECT_TRUE(m_ui.Showed("Do you wish to delete file set 'Bilder'?"));
    EXPECT_EQ(m_store.Names(), std::vector<std::string>{"Docs"});
    EXPECT_EQ(sets.List()->count(), 1);
    EXPECT_TRUE(m_ui.AllAnswersUsed());
}

TEST_F(FileSetsDialogTest, NewSetOverAnExistingNameAsksFirst) {
    std::string error;
    ASSERT_TRUE(m_store.Save("Docs", {{true, "*.DOC"}}, &error));
    CFileSetEdit edit(m_store, "");
    edit.NameField()->setText("Docs");
    edit.WildcardField()->setText("*.RTF");
    edit.AddWildcard();
    m_ui.QueueYesNo(false);
    edit.accept();
    EXPECT_NE(edit.result(), QDialog::Accepted) << "No keeps the dialog open";
    EXPECT_TRUE(m_ui.Showed("File Set 'Docs' already exists! Do you wish to update it?"));
    m_ui.QueueYesNo(true);
    edit.accept();
    EXPECT_EQ(edit.result(), QDialog::Accepted);
    std::string stored;
    ASSERT_TRUE(m_db.GetString(objdb::kObjectKindFileSet, "Docs", &stored));
    EXPECT_EQ(stored, "~Wildcards~+*.RTF");

    // A set that cannot be loaded says so.
    CFileSetEdit missing(m_store, "Gone");
    EXPECT_FALSE(missing.Loaded());
    EXPECT_TRUE(m_ui.Showed("Unable to load file set 'Gone' from Vorlane's object database."));
}

class SearchCriteriaWindowTest : public AppFrameTest {};

TEST_F(SearchCriteriaWindowTest, CriteriaHideAndShowFiles) {
    TFileManagerWindow& fm = OpenC();
    const int all = fm.Session().CurrentDirectory()->ShownCount();
    auto setTypes = [&](const char* types) {
        OnDialog = [&, types](QDialog& dialog) {
            auto& criteria = dynamic_cast<CCustomTagDialog&>(dialog);
            EXPECT_EQ(criteria.windowTitle(), "File Search Criteria");
            EXPECT_EQ(m_app->HelpContext(), 14620);
            criteria.FileTypes()->setText(types);
            Shot(criteria, "criteria-dialog.png");
            criteria.accept();
            return criteria.result();
        };
        m_appFrame->RunCommand(kCmdFileSearchCriteria);
    };
    setTypes("*.TXT");
    EXPECT_EQ(fm.Session().CurrentDirectory()->ShownCount(), 1) << "alpha.txt";
    setTypes("-*.TXT;*.*");
    EXPECT_EQ(fm.Session().CurrentDirectory()->ShownCount(), all - 1);
    setTypes("");
    EXPECT_EQ(fm.Session().CurrentDirectory()->ShownCount(), all) << "every file again";
    EXPECT_EQ(Ini().GetString("File Search Details", "Filespecs"), "");
}

} // namespace vorlane::gui::test
