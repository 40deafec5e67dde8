#include "GuiTestSupport.h"

#include "gui/CLogDriveDialog.h"

#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

#include <set>

namespace vorlane::gui::test {

namespace {

// Every command id the main frame's menu and the file manager window's
// menus must carry: single ids, then runs of {first, last, step}.
std::vector<int> RequiredIds() {
    std::vector<int> ids = {24310, 14205, 14225, 14230, 14235, 14255, 14260, 14215, 14220,
                            15005, 15010, 15050, 14635, 14640, 14705, 14708, 14710, 14715,
                            15700, 15705, 24361, 24362, 24363, 24364, 15505, 15510, 15515,
                            15550, 15555, 15560, 15570, 15575, 15580, 14820, 2007,  2008,
                            2009,  14620, 14630, 14645, 14521, 14525, 15055};
    const int runs[][3] = {{14105, 14175, 5}, {14305, 14320, 5}, {14325, 14334, 1},
                           {14405, 14445, 5}, {14505, 14520, 5}, {14649, 14654, 1},
                           {16200, 16204, 1}};
    for (const auto& run : runs)
        for (int id = run[0]; id <= run[1]; id += run[2])
            ids.push_back(id);
    return ids;
}

void CollectMenuIds(QMenu* menu, std::set<int>* ids) {
    for (QAction* action : menu->actions()) {
        if (action->menu())
            CollectMenuIds(action->menu(), ids);
        else if (!action->isSeparator())
            ids->insert(action->data().toInt());
    }
}

} // namespace

TEST_F(GuiTest, MenuBarHoldsEveryCommandIdOnce) {
    std::set<int> inMenus;
    for (QAction* top : Frame().menuBar()->actions())
        CollectMenuIds(top->menu(), &inMenus);
    for (int id : RequiredIds())
        EXPECT_TRUE(inMenus.count(id)) << "missing command " << id;
    // The table has no id twice.
    std::set<int> seen;
    for (const CommandInfo& c : CommandTable())
        EXPECT_TRUE(seen.insert(c.id).second) << "duplicate command " << c.id;
}

TEST_F(GuiTest, CommandsNotImplementedYetShowTheirOwnTexts) {
    struct Case {
        const char* name;
        int command;
        std::string text; // the start of the message
        std::string caption;
    };
    const Case cases[] = {
        {"directory statistics", kCmdDirectoryStatistics,
         "Directory Statistics module is being re-implemented and will be restored in a "
         "later version of Vorlane!",
         "Error!"},
        {"backup", kCmdBackup,
         "The file backup has been disabled as of version 3.72. It is being reimplemented "
         "and will be out in 3.75.",
         "Sorry!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Reset();
        Frame().RunCommand(c.command);
        ASSERT_EQ(m_ui.Shown().size(), 1u);
        EXPECT_EQ(m_ui.Shown()[0].text.rfind(c.text, 0), 0u) << m_ui.Shown()[0].text;
        EXPECT_EQ(m_ui.Shown()[0].caption, c.caption);
    }
}

TEST_F(GuiTest, AnEmptyFrameSaysHowToOpenAWindow) {
    auto* hint = Frame().findChild<QLabel*>("emptyHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isHidden());
    EXPECT_TRUE(hint->text().contains("F9"));
    ASSERT_NE(Frame().OpenFileManager("C:", 1, false), nullptr);
    Pump();
    EXPECT_TRUE(hint->isHidden());
    for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList())
        child->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Pump();
    EXPECT_FALSE(hint->isHidden());
}

TEST_F(GuiTest, WindowCommandsNeedAnActiveFileManagerWindow) {
    EXPECT_FALSE(Frame().Action(catalogue::kCmdTagFile)->isEnabled());
    Frame().RunCommand(catalogue::kCmdTagFile); // nothing to act on: silently ignored
    EXPECT_TRUE(m_ui.Shown().empty());
    ASSERT_NE(Frame().OpenFileManager("C:", 1, false), nullptr);
    EXPECT_TRUE(Frame().Action(catalogue::kCmdTagFile)->isEnabled());
    // With a window, a window command reaches its dialog.
    int dialogs = 0;
    Frame().SetDialogRunner([&](QDialog&) {
        ++dialogs;
        return static_cast<int>(QDialog::Rejected);
    });
    Frame().RunCommand(kCmdImageConversion);
    EXPECT_EQ(dialogs, 1);
}

TEST_F(GuiTest, BarsToggleWithTheirFlags) {
    CVorlaneFrame& frame = Frame();
    EXPECT_TRUE(frame.Settings().displayDriveBar);
    frame.RunCommand(kCmdDriveRibbon);
    EXPECT_FALSE(frame.Settings().displayDriveBar);
    EXPECT_FALSE(frame.Action(kCmdDriveRibbon)->isChecked());
    frame.RunCommand(kCmdToolBar);
    frame.RunCommand(kCmdToolBar);
    EXPECT_TRUE(frame.Settings().displayToolBar);
}

TEST_F(GuiTest, LogDriveDialogOffersThePresentDrivesAndOpensTheChosenOne) {
    QStringList offered;
    Frame().SetDialogRunner([&](QDialog& dialog) {
        auto& log = dynamic_cast<CLogDriveDialog&>(dialog);
        for (int i = 0; i < log.List()->count(); ++i)
            offered << log.List()->item(i)->data(Qt::UserRole).toString();
        log.SelectDrive('D');
        return static_cast<int>(QDialog::Accepted);
    });
    Frame().RunCommand(kCmdLogDrive);
    EXPECT_EQ(offered, QStringList({"C", "D"}));
    ASSERT_NE(Frame().ActiveFileManager(), nullptr);
    EXPECT_EQ(Frame().ActiveFileManager()->Caption(), "Drive D");
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow()->windowTitle(), "Drive D - D:\\");

    // Cancel opens nothing.
    Frame().SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Rejected); });
    Frame().RunCommand(kCmdLogDrive);
    EXPECT_EQ(Frame().FileManagers().size(), 1);
}

TEST_F(GuiTest, NewWindowOpensOnTheActiveWindowsDrive) {
    Frame().OpenFileManager("D:", 1, false);
    Frame().RunCommand(kCmdNewFileManagerWindow);
    ASSERT_EQ(Frame().FileManagers().size(), 2);
    EXPECT_EQ(Frame().FileManagers()[1]->Caption(), "Drive D");
    // A drive button of the drive bar takes the active window to its drive.
    Frame().OpenFileManager("C:", 1, false);
    EXPECT_EQ(Frame().FileManagers().size(), 2);
    EXPECT_EQ(Frame().ActiveFileManager()->Caption(), "Drive C");
}

// New windows land inside the client area however many are open (they
// went half off-screen), each title says where its window is, and the
// Window menu lists the windows and activates the one chosen.
TEST_F(GuiTest, NewWindowsCascadeInsideTheFrameAndTheWindowMenuListsThem) {
    Frame().resize(900, 700);
    Pump();
    for (int i = 0; i < 12; ++i)
        ASSERT_NE(Frame().OpenFileManager("C:", 1, true), nullptr);
    const QRect area = Frame().MdiArea()->viewport()->rect();
    QSet<QPoint> corners;
    for (QMdiSubWindow* window : Frame().MdiArea()->subWindowList()) {
        EXPECT_TRUE(area.contains(window->geometry()))
            << window->geometry().x() << "," << window->geometry().y();
        corners.insert(window->geometry().topLeft());
    }
    EXPECT_GT(corners.size(), 1) << "the windows step down and right";

    TFileManagerWindow* last = Frame().ActiveFileManager();
    ASSERT_NE(last, nullptr);
    ASSERT_TRUE(last->GoTo("C:\\SUB"));
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow()->windowTitle(), "Drive C - C:\\SUB");

    QMenu* windowMenu = nullptr;
    for (QAction* action : Frame().menuBar()->actions())
        if (action->text() == "&Window")
            windowMenu = action->menu();
    ASSERT_NE(windowMenu, nullptr);
    emit windowMenu->aboutToShow();
    QStringList listed;
    QAction* first = nullptr;
    for (QAction* action : windowMenu->actions())
        if (action->isCheckable() && action->text().contains(" Drive C - ")) {
            listed << action->text();
            if (!first)
                first = action;
            EXPECT_EQ(action->isChecked(), action->text().endsWith("C:\\SUB"));
        }
    ASSERT_EQ(listed.size(), 12);
    EXPECT_EQ(listed[0], "&1 Drive C - C:\\");
    EXPECT_EQ(listed[11], "12 Drive C - C:\\SUB");
    first->trigger();
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow(), Frame().MdiArea()->subWindowList()[0]);
    emit windowMenu->aboutToShow(); // listed again, not twice
    int again = 0;
    for (QAction* action : windowMenu->actions())
        again += action->isCheckable() && action->text().contains(" Drive C - ") ? 1 : 0;
    EXPECT_EQ(again, 12);
}

TEST_F(GuiTest, AnUndefinedDriveOpensNoWindow) {
    EXPECT_EQ(Frame().OpenFileManager("Q:", 1, true), nullptr);
    EXPECT_TRUE(Frame().FileManagers().isEmpty());
    EXPECT_TRUE(m_ui.Showed("Cannot log drive 'Q' - drive is undefined!"));
}

TEST_F(GuiTest, WindowMenuArrangesAndClosesWindows) {
    CVorlaneFrame& frame = Frame();
    frame.OpenFileManager("C:", 1, true);
    frame.OpenFileManager("D:", 1, true);
    QList<QMdiSubWindow*> children = frame.MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(children.size(), 2);
    QRect area = frame.MdiArea()->viewport()->rect();

    frame.RunCommand(kCmdTileVertical); // side by side
    EXPECT_EQ(children[0]->geometry().top(), area.top());
    EXPECT_EQ(children[1]->geometry().top(), area.top());
    EXPECT_LT(children[0]->geometry().left(), children[1]->geometry().left());

    frame.RunCommand(kCmdTileHorizontally); // one above the other
    EXPECT_EQ(children[0]->geometry().left(), area.left());
    EXPECT_LT(children[0]->geometry().top(), children[1]->geometry().top());

    frame.RunCommand(kCmdCascade);
    EXPECT_NE(children[0]->geometry().topLeft(), children[1]->geometry().topLeft());

    frame.RunCommand(kCmdMinimizeAllFileManagers);
    EXPECT_TRUE(children[0]->isMinimized());
    EXPECT_TRUE(children[1]->isMinimized());
    frame.RunCommand(kCmdRestoreAllWindows);
    EXPECT_FALSE(children[0]->isMinimized());

    frame.RunCommand(kCmdCloseAllViewers); // no viewers: nothing closes
    EXPECT_EQ(frame.FileManagers().size(), 2);
    frame.RunCommand(kCmdCloseAllFileManagers);
    Pump();
    EXPECT_TRUE(frame.FileManagers().isEmpty());
    EXPECT_EQ(frame.FrameStatusBar()->Field(2), "") << "empty, not its template";
}

} // namespace vorlane::gui::test
