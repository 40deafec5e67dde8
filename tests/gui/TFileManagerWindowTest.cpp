#include "GuiTestSupport.h"

#include "catalogue/CDirectoryContainer.h"
#include "gui/CDriveBar.h"
#include "gui/CFileSortDialog.h"
#include "platform/FaultInjection.h"

#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QStringListModel>

namespace vorlane::gui::test {

namespace {

class FileManagerTest : public GuiTest {
  protected:
    TFileManagerWindow& Window() {
        if (!m_window) {
            m_window = &Open();
            Frame().activateWindow();
            Pump();
        }
        return *m_window;
    }
    // Selects the tree branch of path (as a click would).
    void SelectInTree(const std::string& path) {
        QModelIndex index = Window().TreeModel()->IndexOfPath(path);
        ASSERT_TRUE(index.isValid()) << path;
        Window().Tree()->setCurrentIndex(index);
    }
    QString Status(int field) { return Frame().FrameStatusBar()->Field(field); }

    TFileManagerWindow* m_window = nullptr;
};

} // namespace

TEST_F(FileManagerTest, ShowsTheRootsFilesAndTotals) {
    TFileManagerWindow& w = Window();
    EXPECT_EQ(w.Caption(), "Drive C");
    EXPECT_EQ(w.Session().CurrentDirectoryPath(), "C:\\");
    EXPECT_EQ(Names(w), QStringList({"alpha.txt", "beta.doc", "gamma"}));
    EXPECT_EQ(Status(2), "Total 3 file(s), 1.3KB");
    EXPECT_EQ(Status(3), "Tagged 0 file(s), 0.0KB");
    EXPECT_TRUE(Status(1).startsWith("C: ")) << Status(1).toStdString();
    // The tree shows the root open with its first level.
    QModelIndex root = w.TreeModel()->index(0, 0);
    EXPECT_TRUE(w.Tree()->isExpanded(root));
    EXPECT_EQ(w.TreeModel()->rowCount(root), 2); // OTHER and SUB
}

TEST_F(FileManagerTest, EnterOpensATreeBranchAndBackspaceGoesBack) {
    TFileManagerWindow& w = Window();
    w.Tree()->setFocus();
    w.Tree()->setCurrentIndex(w.TreeModel()->IndexOfPath("C:\\SUB"));
    QTest::keyClick(w.Tree(), Qt::Key_Return);
    EXPECT_EQ(w.Session().CurrentDirectoryPath(), "C:\\SUB");
    EXPECT_EQ(Names(w), QStringList({"inner.txt"}));
    // The branch gone to was read one level, so DEEP shows it opens further.
    EXPECT_TRUE(w.TreeModel()->IndexOfPath("C:\\SUB\\DEEP\\DEEPER").isValid());
    EXPECT_TRUE(w.DetailsView()->hasFocus());
    EXPECT_EQ(Status(2), "Total 1 file(s), 0.0KB");

    QTest::keyClick(w.DetailsView(), Qt::Key_Backspace);
    EXPECT_EQ(w.Session().CurrentDirectoryPath(), "C:\\");
    EXPECT_EQ(Names(w).size(), 3);
    EXPECT_EQ(w.Tree()->currentIndex(), w.TreeModel()->IndexOfPath("C:\\"));
    // Backspace at the root stays there; Enter on a file opens it.
    QTest::keyClick(w.DetailsView(), Qt::Key_Backspace);
    EXPECT_EQ(w.Session().CurrentDirectoryPath(), "C:\\");
    vorlane::test::ScopedEnv opener("VORLANE_OPENER", m_c / "no-opener");
    QTest::keyClick(w.DetailsView(), Qt::Key_Return);
    EXPECT_TRUE(m_ui.Showed("No program or association found for " + m_c.path() + "/"));
}

TEST_F(FileManagerTest, TabSwitchesTreeAndListAndTypingANameMovesTheCaret) {
    TFileManagerWindow& w = Window();
    w.Tree()->setFocus();
    QTest::keyClick(w.Tree(), Qt::Key_Tab);
    EXPECT_TRUE(w.DetailsView()->hasFocus());
    QTest::keyClicks(w.DetailsView(), "ga");
    ASSERT_NE(w.Session().CaretFile(), nullptr);
    EXPECT_EQ(w.Session().CaretFile()->Name(), "gamma");
    QTest::keyClick(w.DetailsView(), Qt::Key_Tab);
    EXPECT_TRUE(w.Tree()->hasFocus());
}

TEST_F(FileManagerTest, ExpandingABranchReadsItsChildren) {
    TFileManagerWindow& w = Window();
    QModelIndex sub = w.TreeModel()->IndexOfPath("C:\\SUB");
    EXPECT_EQ(w.TreeModel()->rowCount(sub), 1); // DEEP, the marker child
    EXPECT_FALSE(w.TreeModel()->IndexOfPath("C:\\SUB\\DEEP\\DEEPER").isValid());
    w.Tree()->expand(sub);
    QModelIndex deep = w.TreeModel()->IndexOfPath("C:\\SUB\\DEEP");
    ASSERT_TRUE(deep.isValid());
    EXPECT_EQ(w.TreeModel()->rowCount(deep), 1); // DEEPER now shows
    // The branch stays open after the tree was rebuilt.
    EXPECT_TRUE(w.Tree()->isExpanded(w.TreeModel()->IndexOfPath("C:\\SUB")));
}

TEST_F(FileManagerTest, TagKeysChangeTheStatusBar) {
    TFileManagerWindow& w = Window();
    w.DetailsView()->setFocus();
    w.DetailsView()->setCurrentIndex(w.FileModel()->index(1, 0)); // beta.doc, 1000 bytes
    QTest::keyClick(w.DetailsView(), Qt::Key_Plus);
    EXPECT_EQ(Status(3), "Tagged 1 file(s), 1.0KB");
    EXPECT_TRUE(w.Session().File(1)->Tagged());

    QTest::keyClick(w.DetailsView(), Qt::Key_Space, Qt::ControlModifier); // Tag Every
    EXPECT_EQ(Status(3), "Tagged 3 file(s), 1.3KB");
    QTest::keyClick(w.DetailsView(), Qt::Key_Space, Qt::ShiftModifier); // Untag All
    EXPECT_EQ(Status(3), "Tagged 0 file(s), 0.0KB");

    w.DetailsView()->setCurrentIndex(w.FileModel()->index(0, 0));
    QTest::keyClick(w.DetailsView(), Qt::Key_Space); // Invert File
    EXPECT_EQ(Status(3), "Tagged 1 file(s), 0.3KB");
    QTest::keyClick(w.DetailsView(), Qt::Key_I, Qt::ControlModifier); // Invert All
    EXPECT_EQ(Status(3), "Tagged 2 file(s), 1.0KB");
    EXPECT_FALSE(w.Session().File(0)->Tagged());
    QTest::keyClick(w.DetailsView(), Qt::Key_Minus); // Untag File on the untagged caret
    EXPECT_EQ(Status(3), "Tagged 2 file(s), 1.0KB");
    // Tagged rows are drawn bold.
    EXPECT_TRUE(
        w.FileModel()->data(w.FileModel()->index(1, 0), Qt::FontRole).value<QFont>().bold());

    w.Tree()->setFocus();
    QTest::keyClick(w.Tree(), Qt::Key_Space); // in the tree: Invert All
    EXPECT_EQ(Status(3), "Tagged 1 file(s), 0.3KB");
    // The tags survive a visit to another directory.
    SelectInTree("C:\\SUB");
    SelectInTree("C:\\");
    EXPECT_EQ(Status(3), "Tagged 1 file(s), 0.3KB");
}

TEST_F(FileManagerTest, SortCommandsReorderTheRows) {
    TFileManagerWindow& w = Window();
    Frame().RunCommand(catalogue::kCmdSortBySize);
    EXPECT_EQ(Names(w), QStringList({"gamma", "alpha.txt", "beta.doc"}));
    Frame().RunCommand(catalogue::kCmdSortByExtension);
    EXPECT_EQ(Names(w), QStringList({"gamma", "beta.doc", "alpha.txt"}));
    Frame().RunCommand(catalogue::kCmdSortBySize, true); // Ctrl: descending
    EXPECT_EQ(Names(w), QStringList({"beta.doc", "alpha.txt", "gamma"}));
    Frame().RunCommand(catalogue::kCmdSortByFilename);
    EXPECT_EQ(Names(w), QStringList({"alpha.txt", "beta.doc", "gamma"}));
}

TEST_F(FileManagerTest, DetailColumnsFollowTheDisplayBits) {
    CFileListModel* model = Window().FileModel();
    // The default bits: name, size, date, time, attributes, type.
    EXPECT_EQ(Captions(Window()).size(), 6);
    EXPECT_EQ(Captions(Window())[1], "Size");
    EXPECT_EQ(model->data(model->index(1, 1), Qt::DisplayRole).toString(), "1,000");
    model->SetDetails(catalogue::kLineName | catalogue::kLineDescription);
    EXPECT_EQ(Captions(Window()), QStringList({"Name", "Description"}));
}

TEST_F(FileManagerTest, ViewModesSwitchTheListAndKeepTheCaret) {
    TFileManagerWindow& w = Window();
    w.DetailsView()->setCurrentIndex(w.FileModel()->index(2, 0));
    Frame().RunCommand(kCmdViewLargeIcons);
    EXPECT_EQ(w.ViewMode(), FileViewMode::LargeIcons);
    EXPECT_EQ(w.FileView(), w.IconView());
    EXPECT_EQ(w.IconView()->viewMode(), QListView::IconMode);
    EXPECT_EQ(w.IconView()->currentIndex().row(), 2);
    Frame().RunCommand(kCmdViewList);
    EXPECT_EQ(w.IconView()->viewMode(), QListView::ListMode);
    Frame().RunCommand(kCmdViewThumbnails); // icons at the default thumbnail size
    EXPECT_EQ(w.ViewMode(), FileViewMode::Thumbnails);
    EXPECT_EQ(w.IconView()->viewMode(), QListView::IconMode);
    EXPECT_EQ(w.IconView()->iconSize(), QSize(48, 36));
    EXPECT_EQ(w.Session().DisplaySettings().fileDisplayMode, 4);
    Frame().RunCommand(kCmdViewNextMode); // after thumbnails comes details again
    EXPECT_EQ(w.ViewMode(), FileViewMode::Details);
    EXPECT_EQ(w.FileView(), w.DetailsView());
    EXPECT_EQ(w.Session().Caret(), 2);
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(FileManagerTest, StatusBarFollowsTheActiveWindow) {
    TFileManagerWindow& c = Window();
    TFileManagerWindow* d = Frame().OpenFileManager("D:", 1, true);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(Status(2), "Total 0 file(s), 0.0KB");
    c.Session().SetTag(0, 1);
    Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(c.parentWidget()));
    EXPECT_EQ(Status(2), "Total 3 file(s), 1.3KB");
    EXPECT_EQ(Status(3), "Tagged 1 file(s), 0.3KB");
}

TEST_F(FileManagerTest, DriveBarButtonsRelogUnlogAndInfo) {
    TFileManagerWindow& w = Window();
    auto* bar = Frame().findChild<CDriveBar*>();
    ASSERT_NE(bar, nullptr);
    QAction* d = bar->findChild<QAction*>("driveD");
    ASSERT_NE(d, nullptr);
    d->trigger(); // the active window goes to D:
    EXPECT_EQ(w.Caption(), "Drive D");

    // A directory made after logging shows after Relog.
    ::mkdir((m_d / "NEWDIR").c_str(), 0700);
    EXPECT_FALSE(w.TreeModel()->IndexOfPath("D:\\NEWDIR").isValid());
    Frame().RelogDrive('D');
    EXPECT_TRUE(w.TreeModel()->IndexOfPath("D:\\NEWDIR").isValid());

    QMenu* menu = bar->MakeDriveMenu('D');
    ASSERT_EQ(menu->actions().size(), 3);
    menu->actions()[2]->trigger(); // Info
    EXPECT_TRUE(m_ui.Showed("D: "));
    EXPECT_TRUE(m_ui.Showed(m_d.path()));
    menu->actions()[1]->trigger(); // Unlog
    EXPECT_EQ(w.Session().CurrentDrive(), nullptr);
    EXPECT_EQ(w.Caption(), "No drive");
    EXPECT_EQ(w.FileModel()->rowCount(), 0);
    EXPECT_EQ(w.TreeModel()->rowCount(), 0);
    EXPECT_TRUE(Frame().OpenFileManagerWindows().empty());
}

TEST_F(FileManagerTest, CustomSortRefusesEqualKeysAndSortsByTheChosenOnes) {
    TFileManagerWindow& w = Window();
    bool refusedStayedOpen = false;
    Frame().SetDialogRunner([&](QDialog& dialog) {
        auto& sort = dynamic_cast<CFileSortDialog&>(dialog);
        sort.Field(0)->setCurrentIndex(catalogue::kSortName);
        sort.Field(1)->setCurrentIndex(catalogue::kSortName);
        sort.accept();
        refusedStayedOpen = sort.result() != QDialog::Accepted;
        sort.Field(0)->setCurrentIndex(catalogue::kSortSize);
        sort.Descending(0)->setChecked(true);
        sort.accept();
        return sort.result();
    });
    Frame().RunCommand(catalogue::kCmdCustomSort);
    EXPECT_TRUE(refusedStayedOpen);
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].text, "Sort keys must be different!");
    EXPECT_EQ(w.Session().DisplaySettings().sortMethod, catalogue::kSortMethodCustom);
    EXPECT_EQ(Names(w), QStringList({"beta.doc", "alpha.txt", "gamma"}));

    // Cancel leaves the order alone.
    Frame().SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    Frame().RunCommand(catalogue::kCmdCustomSort);
    EXPECT_EQ(Names(w), QStringList({"beta.doc", "alpha.txt", "gamma"}));
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// The path bar shows where the window is and takes a typed path (full,
// relative, in any case) on Enter; a path that does not exist is refused
// with a message and the bar shows the window's directory again; the
// directories one level below the typed one are offered as completions.
TEST_F(FileManagerTest, ThePathBarShowsTheDirectoryAndGoesWhereTyped) {
    TFileManagerWindow& w = Window();
    auto* bar = w.findChild<QLineEdit*>("pathBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->text(), "C:\\");
    ASSERT_TRUE(w.GoTo("C:\\SUB"));
    EXPECT_EQ(bar->text(), "C:\\SUB");

    struct Case {
        const char* name;
        const char* typed;
        const char* reached;
        const char* refusal; // the message, or null
    };
    const Case cases[] = {
        {"a full path in another case", "c:\\other", "C:\\OTHER", nullptr},
        {"a name in the current directory", "..\\SUB\\DEEP", "C:\\SUB\\DEEP", nullptr},
        {"the root", "C:\\", "C:\\", nullptr},
        {"a directory that does not exist", "C:\\NOPE", "C:\\", "'C:\\NOPE' is not a valid path!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Reset();
        bar->setText(c.typed);
        QTest::keyClick(bar, Qt::Key_Return);
        EXPECT_EQ(w.Session().CurrentDirectoryPath(), c.reached);
        if (c.refusal) {
            ASSERT_EQ(m_ui.Shown().size(), 1u);
            EXPECT_EQ(m_ui.Shown()[0].text, c.refusal);
        } else {
            EXPECT_TRUE(m_ui.Shown().empty());
        }
        EXPECT_EQ(bar->text().toStdString(), c.reached);
    }

    bar->setText("");
    QTest::keyClicks(bar, "c:\\s");
    auto* offered = qobject_cast<QStringListModel*>(bar->completer()->model());
    ASSERT_NE(offered, nullptr);
    EXPECT_EQ(offered->stringList(), QStringList({"C:\\OTHER", "C:\\SUB"}));
    bar->setText("");
    QTest::keyClicks(bar, "C:\\SUB\\");
    EXPECT_EQ(offered->stringList(), QStringList({"C:\\SUB\\DEEP"}));
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// The mouse and Insert tag the way users of other file managers select:
// Ctrl+click toggles one file's tag, Shift+click tags from the caret to the
// file clicked, Insert tags the caret file and moves down; a plain click
// only moves the caret.
TEST_F(FileManagerTest, CtrlAndShiftClicksAndInsertTagFiles) {
    TFileManagerWindow& w = Window();
    QAbstractItemView* view = w.DetailsView();
    auto click = [&](int row, Qt::KeyboardModifiers keys) {
        const QRect cell = view->visualRect(w.FileModel()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, keys, cell.center());
    };
    auto tagged = [&] {
        std::string flags;
        for (int i = 0; i < w.Session().FileCount(); ++i)
            flags += w.Session().File(i)->Tagged() ? 'T' : '.';
        return flags;
    };
    ASSERT_EQ(w.Session().FileCount(), 3); // alpha.txt, beta.doc, gamma

    click(0, Qt::NoModifier);
    EXPECT_EQ(tagged(), "...");
    click(1, Qt::ControlModifier);
    EXPECT_EQ(tagged(), ".T.");
    EXPECT_EQ(w.Session().Caret(), 1);
    click(1, Qt::ControlModifier);
    EXPECT_EQ(tagged(), "...") << "Ctrl+click again untags";
    click(0, Qt::NoModifier);
    click(2, Qt::ShiftModifier);
    EXPECT_EQ(tagged(), "TTT");
    EXPECT_EQ(Status(3), "Tagged 3 file(s), 1.3KB");

    QTest::keyClick(view, Qt::Key_Space, Qt::ShiftModifier); // Untag All
    view->setCurrentIndex(w.FileModel()->index(0, 0));
    QTest::keyClick(view, Qt::Key_Insert);
    QTest::keyClick(view, Qt::Key_Insert);
    EXPECT_EQ(tagged(), "TT.");
    EXPECT_EQ(w.Session().Caret(), 2);
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// A directory that could not be read, or a zip file that is not one, is
// never shown as an empty list without a word: the reason stands over the
// list, and goes when a directory reads.
TEST_F(FileManagerTest, AListThatCouldNotBeReadSaysWhy) {
    { std::ofstream(m_c / "FAKE.ZIP") << "this is text, not an archive"; }
    TFileManagerWindow& w = Window();
    auto* problem = w.findChild<QLabel*>("listProblem");
    ASSERT_NE(problem, nullptr);
    EXPECT_TRUE(problem->isHidden());

    struct Case {
        const char* name;
        const char* path;
        int listErrno; // a failed listing through the fault seam; 0 none
        const char* shown;
    };
    const Case cases[] = {
        {"an unreadable directory", "C:\\OTHER", EACCES,
         "Cannot read 'C:\\OTHER': Permission denied"},
        {"a readable directory", "C:\\SUB", 0, ""},
        {"a file that is not a zip file", "C:\\FAKE.ZIP", 0, "'C:\\FAKE.ZIP' is NOT a zip file!"},
        {"the root", "C:\\", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Reset();
        if (c.listErrno != 0)
            platform::fault::Arm(platform::fault::Op::List, 1, c.listErrno, true);
        w.GoTo(c.path);
        platform::fault::Reset();
        EXPECT_EQ(problem->text().toStdString(), c.shown);
        EXPECT_EQ(problem->isHidden(), std::string(c.shown).empty());
    }
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// Right-click menus offer the commands that apply there with the frame's
// texts, and a command chosen runs as from the frame's menu: on the file
// the right-click went to, or on the tree's branch.
TEST_F(FileManagerTest, ContextMenusOfferTheCommandsThatApplyAndRunThem) {
    TFileManagerWindow& w = Window();
    for (bool inTree : {false, true})
        for (int id : w.ContextMenuCommands(inTree))
            EXPECT_TRUE(id == 0 || FindCommand(id) != nullptr) << id;

    QAbstractItemView* view = w.DetailsView();
    const QPoint onBeta = view->visualRect(w.FileModel()->index(1, 0)).center();
    emit view->customContextMenuRequested(onBeta);
    EXPECT_EQ(w.Session().Caret(), 1) << "the menu is for the file right-clicked";
    auto* shown = w.findChild<QMenu*>("fileContextMenu");
    ASSERT_NE(shown, nullptr);
    QStringList texts;
    QAction* tagFile = nullptr;
    for (QAction* action : shown->actions()) {
        if (action->isSeparator())
            continue;
        texts << action->text();
        if (action->data().toInt() == catalogue::kCmdTagFile)
            tagFile = action;
    }
    for (const char* wanted : {"&Open", "&Copy...", "&Move...", "&Delete...", "&Rename...",
                               "A&ttributes...", "&Properties..."})
        EXPECT_TRUE(texts.contains(wanted)) << wanted;
    ASSERT_NE(tagFile, nullptr);
    tagFile->trigger();
    EXPECT_TRUE(w.Session().File(1)->Tagged());
    EXPECT_EQ(Status(3), "Tagged 1 file(s), 1.0KB");
    shown->close();

    // The tree's menu: Expand Branch on the root opens every branch.
    std::unique_ptr<QMenu> tree(w.MakeContextMenu(true, nullptr));
    w.Tree()->setCurrentIndex(w.TreeModel()->IndexOfPath("C:\\"));
    for (QAction* action : tree->actions())
        if (action->data().toInt() == catalogue::kCmdExpandBranch)
            action->trigger();
    Pump();
    EXPECT_TRUE(w.Tree()->isExpanded(w.TreeModel()->IndexOfPath("C:\\SUB\\DEEP")));
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// A click on a column's header sorts by that column through the Sort
// menu's settings, a second click the other way; the indicator follows the
// sort in force however it was chosen; a column that gives no order
// changes nothing.
TEST_F(FileManagerTest, AHeaderClickSortsByItsColumnAndAgainTheOtherWay) {
    TFileManagerWindow& w = Window();
    auto* details = qobject_cast<QTreeView*>(w.DetailsView());
    ASSERT_NE(details, nullptr);
    QHeaderView* header = details->header();
    auto sectionOf = [&](CFileListModel::Column column) {
        const auto& columns = w.FileModel()->Columns();
        return static_cast<int>(std::find(columns.begin(), columns.end(), column) -
                                columns.begin());
    };
    auto clickHeader = [&](CFileListModel::Column column) {
        const int section = sectionOf(column);
        ASSERT_LT(section, static_cast<int>(w.FileModel()->Columns().size()));
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
    };
    struct Step {
        const char* name;
        CFileListModel::Column click;
        QStringList order;
        CFileListModel::Column indicated;
        Qt::SortOrder direction;
    };
    const Step steps[] = {
        {"size",
         CFileListModel::kSize,
         {"gamma", "alpha.txt", "beta.doc"},
         CFileListModel::kSize,
         Qt::AscendingOrder},
        {"size again",
         CFileListModel::kSize,
         {"beta.doc", "alpha.txt", "gamma"},
         CFileListModel::kSize,
         Qt::DescendingOrder},
        {"name",
         CFileListModel::kName,
         {"alpha.txt", "beta.doc", "gamma"},
         CFileListModel::kName,
         Qt::AscendingOrder},
        {"attributes give no order",
         CFileListModel::kAttributes,
         {"alpha.txt", "beta.doc", "gamma"},
         CFileListModel::kName,
         Qt::AscendingOrder},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        clickHeader(step.click);
        EXPECT_EQ(Names(w), step.order);
        EXPECT_EQ(header->sortIndicatorSection(), sectionOf(step.indicated));
        EXPECT_EQ(header->sortIndicatorOrder(), step.direction);
    }
    // The Sort menu moves the indicator too.
    Frame().RunCommand(catalogue::kCmdSortBySize);
    EXPECT_EQ(header->sortIndicatorSection(), sectionOf(CFileListModel::kSize));
    EXPECT_EQ(Names(w), QStringList({"gamma", "alpha.txt", "beta.doc"}));
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// Files and directories another program adds or removes show without
// leaving the directory: View > Refresh reads it at once, and the watch on
// the shown directory does it by itself.
TEST_F(FileManagerTest, ChangesByOtherProgramsShowWithRefreshAndByThemselves) {
    TFileManagerWindow& w = Window();
    MakeFile("fresh.txt", 7);
    Frame().RunCommand(kCmdRefresh);
    EXPECT_TRUE(Names(w).contains("fresh.txt"));

    ::unlink((m_c / "fresh.txt").c_str());
    ::mkdir((m_c / "NEWDIR").c_str(), 0700);
    MakeFile("later.txt", 3);
    // The watch reports on its own time: wait for it (no time is asserted).
    EXPECT_TRUE(QTest::qWaitFor([&] { return Names(w).contains("later.txt"); }, 10000));
    EXPECT_FALSE(Names(w).contains("fresh.txt"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return w.TreeModel()->IndexOfPath("C:\\NEWDIR").isValid(); }, 10000));
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// Relogging a drive whose directory has gone says so and leaves no empty
// window behind titled with its letter.
TEST_F(FileManagerTest, RelogOfAVanishedDriveSaysSoAndClosesItsWindow) {
    Window();
    TFileManagerWindow* onD = Frame().OpenFileManager("D:", 1, true);
    ASSERT_NE(onD, nullptr);
    const int before = static_cast<int>(Frame().FileManagers().size());
    ASSERT_EQ(std::system(("rm -rf '" + m_d.path() + "'").c_str()), 0);
    m_ui.Reset();
    Frame().RelogDrive('D');
    Pump();
    ASSERT_EQ(m_ui.Shown().size(), 1u) << "the user is told";
    EXPECT_NE(m_ui.Shown()[0].text.find("D"), std::string::npos) << m_ui.Shown()[0].text;
    EXPECT_EQ(static_cast<int>(Frame().FileManagers().size()), before - 1);
    for (TFileManagerWindow* window : Frame().FileManagers())
        EXPECT_NE(window->Caption(), "Drive D");
    ASSERT_EQ(::mkdir(m_d.path().c_str(), 0700), 0); // for the fixture's clean-up
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

// The header's menu lists the columns that may show, checked as they are,
// and a choice hides or shows one through the list's detail settings.
TEST_F(FileManagerTest, TheHeaderMenuChoosesTheColumnsToShow) {
    TFileManagerWindow& w = Window();
    ASSERT_TRUE(Captions(w).contains("Attr"));
    std::unique_ptr<QMenu> menu(w.MakeHeaderMenu(nullptr));
    QAction* attributes = nullptr;
    QAction* path = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text() == "&Attributes")
            attributes = action;
        if (action->text() == "&Path")
            path = action;
    }
    ASSERT_NE(attributes, nullptr);
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(attributes->isChecked());
    EXPECT_FALSE(path->isChecked());
    attributes->trigger();
    EXPECT_FALSE(Captions(w).contains("Attr"));
    EXPECT_EQ(w.Session().DisplaySettings().fileDisplayDetails & catalogue::kLineAttributes, 0u);
    attributes->trigger();
    EXPECT_TRUE(Captions(w).contains("Attr"));
    const int before = static_cast<int>(Captions(w).size());
    path->trigger();
    EXPECT_EQ(static_cast<int>(Captions(w).size()), before + 1);
}

} // namespace vorlane::gui::test
