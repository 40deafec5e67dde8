// The tree commands on a tree of known shape, and the drive field of the
// status bar around the scans they run.
#include "GuiTestSupport.h"

#include "catalogue/CDirectoryContainer.h"

#include <QStatusBar>

#include <algorithm>
#include <functional>

namespace vorlane::gui::test {

namespace {

using namespace catalogue;

// Four levels below the root in two branches, beside the fixture's
// SUB\DEEP\DEEPER and OTHER, and B\LINKED, a link to A\A2: scans never
// go through a link, so it shows as a leaf until the user opens it.
const char* const kTree[] = {"A",        "A/A1", "A/A1/A11", "A/A1/A11/A111", "A/A1/A12", "A/A2",
                             "A/A2/A21", "B",    "B/B1",     "B/B1/B11",      "B/B2"};

class TreeCommandsTest : public GuiTest {
  protected:
    TreeCommandsTest() {
        for (const char* dir : kTree)
            ::mkdir((m_c / dir).c_str(), 0700);
        EXPECT_EQ(::symlink("../A/A2", (m_c / "B/LINKED").c_str()), 0);
    }
    TFileManagerWindow& Window() {
        if (!m_window) {
            m_window = &Open();
            Frame().activateWindow();
            Pump();
        }
        return *m_window;
    }
    void Run(int id, const std::string& current = "") {
        if (!current.empty()) {
            ASSERT_TRUE(Window().GoTo(current)) << current;
        }
        Frame().RunCommand(id);
        Pump();
    }
    // The DOS paths the tree shows (every ancestor open), sorted.
    QStringList Shown() {
        CDirectoryTreeModel* model = Window().TreeModel();
        QStringList paths;
        std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
            for (int row = 0; row < model->rowCount(parent); ++row) {
                QModelIndex index = model->index(row, 0, parent);
                paths << QString::fromStdString(model->DirectoryAt(index)->Path());
                if (Window().Tree()->isExpanded(index))
                    walk(index);
            }
        };
        walk({});
        paths.sort();
        return paths;
    }
    // Every directory on C: (the root included) of at most maxLevel levels
    // below the root, under the branch prefix.
    static QStringList OnDisk(int maxLevel, const QString& under = "C:\\") {
        QStringList paths = {"C:\\"};
        QStringList all = {"SUB", "SUB\\DEEP", "SUB\\DEEP\\DEEPER", "OTHER", "B\\LINKED"};
        for (const char* dir : kTree)
            all << QString(dir).replace('/', '\\');
        for (const QString& dir : all)
            if (dir.count('\\') < maxLevel && ("C:\\" + dir).startsWith(under))
                paths << "C:\\" + dir;
        paths.sort();
        return paths;
    }

    TFileManagerWindow* m_window = nullptr;
};

} // namespace

// Expand All once left the tree collapsed, Expand Branch stopped after two
// levels and Open To Level n showed n - 1 levels: the view opened every
// directory, links too, and the lazy read of a link rebuilt the tree, which
// collapsed it half-way.
TEST_F(TreeCommandsTest, EachTreeCommandShowsWhatItsNameSays) {
    struct Case {
        const char* name;
        int command;
        const char* current; // "" stays where the last case left it
        QStringList shown;
    } cases[] = {
        {"Expand All", kCmdExpandAll, "C:\\", OnDisk(9)},
        {"Open To Level 0", kCmdOpenToLevel0, "", {"C:\\"}},
        {"Open To Level 1", kCmdOpenToLevel0 + 1, "", OnDisk(1)},
        {"Open To Level 2", kCmdOpenToLevel0 + 2, "", OnDisk(2)},
        {"Open To Level 3", kCmdOpenToLevel0 + 3, "", OnDisk(3)},
        {"Open To Level 4", kCmdOpenToLevel0 + 4, "", OnDisk(4)},
        {"Collapse Branch", kCmdCollapseBranch, "C:\\A",
         OnDisk(4, "C:\\B") + OnDisk(4, "C:\\S") + OnDisk(1)},
        {"Open To Level 1 again", kCmdOpenToLevel0 + 1, "", OnDisk(1)},
        {"Expand One Level", kCmdExpandOneLevel, "C:\\A", OnDisk(1) + OnDisk(2, "C:\\A\\")},
        {"Expand Branch", kCmdExpandBranch, "C:\\B",
         OnDisk(1) + OnDisk(2, "C:\\A\\") + OnDisk(9, "C:\\B\\")},
    };
    for (Case& c : cases) {
        Run(c.command, c.current);
        c.shown.removeDuplicates();
        c.shown.sort();
        EXPECT_EQ(Shown().join(' ').toStdString(), c.shown.join(' ').toStdString()) << c.name;
    }
}

TEST_F(TreeCommandsTest, ExpandAllOnAFreshWindowKeepsEveryBranchOpenAfterARebuild) {
    Run(kCmdExpandAll, "C:\\A\\A1");
    EXPECT_EQ(Shown().join(' ').toStdString(), OnDisk(9).join(' ').toStdString());
    // A change notice rebuilds the tree: what was open stays open.
    Window().CatalogueChanged('C', "C:\\B\\B2");
    EXPECT_EQ(Shown().join(' ').toStdString(), OnDisk(9).join(' ').toStdString());
    EXPECT_EQ(Window().Tree()->currentIndex(), Window().TreeModel()->IndexOfPath("C:\\A\\A1"));
}

// The status bar showed its template (" :   0MB free,  MB total") before
// any window and kept "# of Dirs Scanned = 0" after a directory was read.
TEST_F(TreeCommandsTest, StatusBarShowsTheFreeSpaceAndTheScanCountOnlyWhileAScanRuns) {
    for (int field = 1; field <= 4; ++field)
        EXPECT_EQ(Frame().FrameStatusBar()->Field(field).toStdString(), "")
            << "before any window: " << field;

    TFileManagerWindow& w = Window();
    // The free space itself moves with whatever else writes to the disk.
    auto showsFreeSpace = [](const QString& text) {
        return text.startsWith("C: ") && text.contains(" free,");
    };
    EXPECT_TRUE(showsFreeSpace(Frame().FrameStatusBar()->Field(1)))
        << Frame().FrameStatusBar()->Field(1).toStdString();

    // What the frame shows each time the window reports (after the frame
    // took the report: this connection is made later).
    QStringList seen;
    QObject::connect(&w, &TFileManagerWindow::StatusTextChanged, &w,
                     [&](int field, const QString&, bool) {
                         if (field == 1)
                             seen << Frame().FrameStatusBar()->Field(1);
                     });
    struct Step {
        const char* name;
        std::function<void()> run;
    } steps[] = {
        {"going to a directory", [&] { ASSERT_TRUE(w.GoTo("C:\\A\\A1")); }},
        {"opening a branch", [&] { w.Tree()->expand(w.TreeModel()->IndexOfPath("C:\\B")); }},
        {"Expand All", [&] { Frame().RunCommand(kCmdExpandAll); }},
    };
    for (const Step& step : steps) {
        seen.clear();
        step.run();
        Pump();
        EXPECT_TRUE(seen.contains("# of Dirs Scanned = 0")) << step.name << " scanned";
        EXPECT_TRUE(showsFreeSpace(Frame().FrameStatusBar()->Field(1))) << step.name;
        EXPECT_TRUE(showsFreeSpace(w.StatusText(1))) << step.name;
    }

    // The last window closed: the fields are empty, not the template.
    Frame().RunCommand(kCmdCloseAllFileManagers);
    m_window = nullptr;
    Pump();
    EXPECT_EQ(Frame().FrameStatusBar()->Field(1).toStdString(), "");
    EXPECT_EQ(Frame().FrameStatusBar()->Field(2).toStdString(), "");
}

} // namespace vorlane::gui::test
