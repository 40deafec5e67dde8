// The Find Files window's results handed to copy, move and delete as a file
// group (through the ordinary dialogs), and its fields kept in the settings.
#include "AppFrameTest.h"

#include "catalogue/CatalogueTypes.h"
#include "gui/CCopyDialog.h"
#include "gui/CFileOpDialogs.h"
#include "gui/CFindFilesWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

namespace vorlane::gui::test {
namespace {

class FindResultsTest : public AppFrameTest {
  protected:
    FindResultsTest() {
        for (const char* name : {"F/ONE/a.txt", "F/ONE/b.txt", "F/TWO/c.txt", "F/TWO/DEEP/d.txt"}) {
            std::filesystem::create_directories(std::filesystem::path(m_c / name).parent_path());
            std::ofstream(m_c / name) << name;
        }
        std::filesystem::create_directories(m_d / "OUT");
    }
    // Starts the program, opens the window and finds every *.txt below C:\F.
    CFindFilesWindow& FindAll() {
        OpenC();
        m_appFrame->RunCommand(kCmdFindFiles);
        auto* window = m_appFrame->findChild<CFindFilesWindow*>();
        EXPECT_NE(window, nullptr);
        window->LookIn()->setText("C:\\F");
        window->Named()->setText("*.txt");
        EXPECT_TRUE(window->StartFind());
        EXPECT_TRUE(PumpUntil([&] { return !window->Running(); }));
        EXPECT_EQ(window->Results()->topLevelItemCount(), 4);
        return *window;
    }
    static void Select(CFindFilesWindow& window, const std::set<std::string>& names) {
        QTreeWidget* list = window.Results();
        list->clearSelection();
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = list->topLevelItem(row);
            if (names.count(item->text(CFindFilesWindow::kColumnName).toStdString()))
                item->setSelected(true);
        }
    }
    static std::set<std::string> Listed(const CFindFilesWindow& window) {
        std::set<std::string> names;
        for (int row = 0; row < window.Results()->topLevelItemCount(); ++row)
            names.insert(window.Results()
                             ->topLevelItem(row)
                             ->text(CFindFilesWindow::kColumnName)
                             .toStdString());
        return names;
    }
    std::set<std::string> Files(const std::filesystem::path& root) const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            if (e.is_regular_file())
                names.insert(e.path().lexically_relative(root).string());
        return names;
    }
};

// Copy and Move hand the chosen group to the copy dialog: selected rows are
// the tagged group, and every file lands in the one target directory.
// After a move the rows of the files that left are dropped.
TEST_F(FindResultsTest, CopyAndMoveTakeTheChosenRowsIntoOneTarget) {
    CFindFilesWindow& window = FindAll();
    int groupShown = -1;
    std::string pathShown;
    OnDialog = [&](QDialog& dialog) {
        auto& copy = dynamic_cast<CCopyDialog&>(dialog);
        groupShown = copy.GroupBox()->currentData().toInt();
        copy.TargetBox()->setEditText("D:\\OUT");
        copy.PromptBox()->setChecked(false);
        copy.NewerBox()->setChecked(false);
        copy.accept();
        return copy.result();
    };
    Select(window, {"b.txt", "d.txt"});
    ASSERT_TRUE(window.CopyResults(false));
    EXPECT_EQ(groupShown, catalogue::kGroupTagged);
    ASSERT_TRUE(PumpUntil([&] { return Files(std::filesystem::path(m_d / "OUT")).size() == 2; }));
    EXPECT_EQ(Files(std::filesystem::path(m_d / "OUT")), (std::set<std::string>{"b.txt", "d.txt"}));
    EXPECT_EQ(Listed(window).size(), 4u) << "a copy leaves every result in place";

    // Nothing selected: every result, moved; the list empties.
    window.Results()->clearSelection();
    ASSERT_TRUE(window.MoveButton()->isEnabled());
    ASSERT_TRUE(window.CopyResults(true));
    EXPECT_EQ(groupShown, catalogue::kGroupEvery);
    ASSERT_TRUE(PumpUntil([&] { return window.Results()->topLevelItemCount() == 0; }));
    EXPECT_EQ(Files(std::filesystem::path(m_d / "OUT")),
              (std::set<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_TRUE(Files(std::filesystem::path(m_c / "F")).empty());
    EXPECT_EQ(window.Status()->text(), "0 files found, 4 files gone");

    // A cancelled dialog starts nothing; an empty list opens no dialog.
    EXPECT_FALSE(window.CopyResults(false));
}

// The copy dialog shows the directory the files were found below; a target
// is refused only when it is the directory of every chosen file. Files
// already in the target stay untouched, and the others arrive.
TEST_F(FindResultsTest, ATargetIsComparedWithEachFilesOwnDirectory) {
    CFindFilesWindow& window = FindAll();
    const std::string same = "The source and target paths must be different!";
    struct Step {
        const char* name;
        std::set<std::string> rows; // selected (none: every result)
        const char* target;
        bool accepted;
        std::set<std::string> arrived; // below C:\F, after the run
    };
    const Step steps[] = {
        {"every chosen file lies in the target",
         {"a.txt", "b.txt"},
         "C:\\F\\ONE",
         false,
         {"ONE/a.txt", "ONE/b.txt", "TWO/c.txt", "TWO/DEEP/d.txt"}},
        {"the directory the files were found below",
         {"c.txt", "d.txt"},
         "C:\\F",
         true,
         {"c.txt", "d.txt", "ONE/a.txt", "ONE/b.txt", "TWO/c.txt", "TWO/DEEP/d.txt"}},
        {"the directory of some of them",
         {},
         "C:\\F\\TWO",
         true,
         {"c.txt", "d.txt", "ONE/a.txt", "ONE/b.txt", "TWO/a.txt", "TWO/b.txt", "TWO/c.txt",
          "TWO/d.txt", "TWO/DEEP/d.txt"}},
    };
    for (const Step& step : steps) {
        std::string target;
        OnDialog = [&](QDialog& dialog) {
            auto& copy = dynamic_cast<CCopyDialog&>(dialog);
            copy.TargetBox()->setEditText(step.target);
            copy.PromptBox()->setChecked(false);
            copy.NewerBox()->setChecked(false);
            copy.accept();
            return copy.result();
        };
        Select(window, step.rows);
        const size_t shown = m_ui.Texts().size();
        EXPECT_EQ(window.CopyResults(false), step.accepted) << step.name;
        if (step.accepted) {
            ASSERT_TRUE(PumpUntil([&] { return Files(m_c / "F") == step.arrived; })) << step.name;
        } else {
            ASSERT_GT(m_ui.Texts().size(), shown) << step.name;
            EXPECT_EQ(m_ui.Texts().back(), same) << step.name;
            EXPECT_EQ(Files(m_c / "F"), step.arrived) << step.name;
        }
    }
    // The file found in the target itself was not copied onto itself.
    EXPECT_EQ(ReadAll(m_c / "F/TWO/c.txt"), "F/TWO/c.txt");
    EXPECT_NE(m_ui.Texts().back().find("already in the target directory"), std::string::npos)
        << m_ui.Texts().back();
    EXPECT_EQ(Listed(window).size(), 4u);
}

// A header click sorts the results by its column, a second click the other
// way; sizes and times by value. The selected rows stay the tagged group,
// the focused row the current file, and after a move the rows of exactly
// the moved files go.
TEST_F(FindResultsTest, HeaderClicksSortAndTheGroupsFollowTheRows) {
    // Sizes whose texts sort otherwise than their values; times within one
    // minute, which the column shows alike.
    const struct {
        const char* path;
        size_t size;
        int second;
    } files[] = {{"F/ONE/a.txt", 100, 10},
                 {"F/ONE/b.txt", 9, 40},
                 {"F/TWO/c.txt", 2000, 20},
                 {"F/TWO/DEEP/d.txt", 30, 50}};
    for (const auto& f : files) {
        const std::string host = m_c / f.path;
        std::ofstream(host) << std::string(f.size, 'x');
        const time_t minute = 1699999980; // a whole minute
        const timespec times[2] = {{minute + f.second, 0}, {minute + f.second, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, host.c_str(), times, 0), 0);
    }
    CFindFilesWindow& window = FindAll();
    QTreeWidget* list = window.Results();
    const auto order = [&] {
        std::vector<std::string> names;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            names.push_back(
                list->topLevelItem(row)->text(CFindFilesWindow::kColumnName).toStdString());
        return names;
    };
    // The tagged and the current rows chosen before any sort.
    Select(window, {"b.txt", "d.txt"});
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        if (list->topLevelItem(row)->text(CFindFilesWindow::kColumnName) == "a.txt")
            list->setCurrentItem(list->topLevelItem(row), 0, QItemSelectionModel::NoUpdate);

    using Names = std::vector<std::string>;
    struct Click {
        const char* name;
        int column;
        Names rows;
    };
    const Click clicks[] = {
        {"size", CFindFilesWindow::kColumnSize, {"b.txt", "d.txt", "a.txt", "c.txt"}},
        {"size again", CFindFilesWindow::kColumnSize, {"c.txt", "a.txt", "d.txt", "b.txt"}},
        {"date: ascending again",
         CFindFilesWindow::kColumnDate,
         {"a.txt", "c.txt", "b.txt", "d.txt"}},
        {"date again", CFindFilesWindow::kColumnDate, {"d.txt", "b.txt", "c.txt", "a.txt"}},
        {"name", CFindFilesWindow::kColumnName, {"a.txt", "b.txt", "c.txt", "d.txt"}},
        {"directory", CFindFilesWindow::kColumnDirectory, {"a.txt", "b.txt", "c.txt", "d.txt"}},
        {"directory again",
         CFindFilesWindow::kColumnDirectory,
         {"d.txt", "c.txt", "b.txt", "a.txt"}},
        {"size", CFindFilesWindow::kColumnSize, {"b.txt", "d.txt", "a.txt", "c.txt"}},
    };
    QHeaderView* header = list->header();
    for (const Click& click : clicks) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(click.column) + 5, header->height() / 2));
        EXPECT_EQ(order(), click.rows) << click.name;
    }

    EXPECT_EQ(window.GroupPaths(catalogue::kGroupTagged),
              (Names{"C:\\F\\ONE\\b.txt", "C:\\F\\TWO\\DEEP\\d.txt"}));
    EXPECT_EQ(window.GroupPaths(catalogue::kGroupCurrent), (Names{"C:\\F\\ONE\\a.txt"}));
    EXPECT_EQ(window.GroupPaths(catalogue::kGroupEvery),
              (Names{"C:\\F\\ONE\\b.txt", "C:\\F\\TWO\\DEEP\\d.txt", "C:\\F\\ONE\\a.txt",
                     "C:\\F\\TWO\\c.txt"}));
    EXPECT_EQ(window.ResultPath(3), "C:\\F\\TWO\\c.txt");

    // Move the tagged files: their rows go, the others stay in their order.
    OnDialog = [&](QDialog& dialog) {
        auto& copy = dynamic_cast<CCopyDialog&>(dialog);
        copy.TargetBox()->setEditText("D:\\OUT");
        copy.accept();
        return copy.result();
    };
    ASSERT_TRUE(window.CopyResults(true));
    ASSERT_TRUE(PumpUntil([&] { return list->topLevelItemCount() == 2; }));
    EXPECT_EQ(order(), (Names{"a.txt", "c.txt"}));
    EXPECT_EQ(Files(m_d / "OUT"), (std::set<std::string>{"b.txt", "d.txt"}));
    EXPECT_EQ(Files(m_c / "F"), (std::set<std::string>{"ONE/a.txt", "TWO/c.txt"}));
}

TEST_F(FindResultsTest, DeleteRemovesTheChosenGroupOnly) {
    CFindFilesWindow& window = FindAll();
    OnDialog = [&](QDialog& dialog) {
        auto& del = dynamic_cast<CDeleteDialog&>(dialog);
        del.TypeButton(fileops::kDeleteNormal)->click();
        del.PromptBox()->setChecked(false);
        // The untagged group: the rows not selected.
        del.GroupBox()->setCurrentIndex(del.GroupBox()->findData(catalogue::kGroupUntagged));
        del.accept();
        return del.result();
    };
    Select(window, {"a.txt"});
    ASSERT_TRUE(window.DeleteResults());
    ASSERT_TRUE(PumpUntil([&] { return window.Results()->topLevelItemCount() == 1; }));
    EXPECT_EQ(Files(std::filesystem::path(m_c / "F")), (std::set<std::string>{"ONE/a.txt"}));
    EXPECT_EQ(Listed(window), (std::set<std::string>{"a.txt"}));
    EXPECT_TRUE(std::filesystem::is_directory(m_c / "F/TWO/DEEP")) << "directories stay";
}

// The fields and boxes a find started with come back in the next window.
TEST_F(FindResultsTest, FieldsAreKeptForTheNextWindow) {
    CFindFilesWindow& window = FindAll();
    window.Named()->setText("*.lög;[Docs]");
    window.Containing()->setText("Grüße 1");
    window.PatternBox()->setChecked(true);
    window.SkipBinaryBox()->setChecked(true);
    ASSERT_TRUE(window.StartFind());
    ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
    const auto section = Section(CFindFilesWindow::kSettingsSection);
    EXPECT_EQ(section.at("Containing"), "Grüße 1");

    CFindFilesWindow next(m_appFrame->Jobs(), {});
    EXPECT_EQ(next.Named()->text(), "*.lög;[Docs]");
    EXPECT_EQ(next.Containing()->text(), "Grüße 1");
    EXPECT_TRUE(next.PatternBox()->isChecked());
    EXPECT_FALSE(next.MatchCaseBox()->isChecked());
    EXPECT_TRUE(next.SkipBinaryBox()->isChecked());
}

} // namespace
} // namespace vorlane::gui::test
