#include "GuiTestSupport.h"

#include "catalogue/CatalogueTypes.h"
#include "gui/CFrameStatusBar.h"
#include "gui/CLogDriveDialog.h"
#include "gui/Commands.h"
#include "gui/TFileManagerWindow.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <set>

namespace vorlane::gui::test {

namespace {

// Every command id the main frame's menu and the file manager window's
// menus must carry.
std::vector<int> RequiredIds() {
    std::vector<int> ids = {24310, 14205, 14225, 14230, 14235, 14255, 14260, 14215, 14220,
                            15005, 15010, 15050, 14635, 14640, 14705, 14708, 14710, 14715,
                            15700, 15705, 24361, 24362, 24363, 24364, 15505, 15510, 15515,
                            15550, 15555, 15560, 15570, 15575, 15580, 14820, 2007,  2008,
                            2009,  14620, 14630, 14645, 14521, 14525};
    for (int id = 14105; id <= 14175; id += 5)
        ids.push_back(id);
    for (int id : {14305, 14310, 14315, 14320})
        ids.push_back(id);
    for (int id = 14325; id <= 14334; ++id)
        ids.push_back(id);
    for (int id = 14405; id <= 14445; id += 5)
        ids.push_back(id);
    for (int id = 14505; id <= 14520; id += 5)
        ids.push_back(id);
    for (int id = 14649; id <= 14654; ++id)
        ids.push_back(id);
    for (int id = 16200; id <= 16204; ++id)
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

TEST_F(GuiTest, CommandsOfLaterModulesSayTheyAreNotAvailable) {
    Frame().RunCommand(kCmdZipToExe);
    Frame().RunCommand(kCmdHabiTabs);
    ASSERT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_EQ(m_ui.Shown()[0].text,
              "Zip-To-Exe is not available yet: it will come in a later version of Vorlane.");
    EXPECT_EQ(m_ui.Shown()[0].caption, kNotAvailableCaption);
    EXPECT_TRUE(m_ui.Showed("HabiTabs is not available yet"));
}

TEST_F(GuiTest, DirectoryStatisticsAndBackupShowTheirOwnTexts) {
    Frame().RunCommand(kCmdDirectoryStatistics);
    Frame().RunCommand(kCmdBackup);
    ASSERT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_EQ(m_ui.Shown()[0].text,
              "Directory Statistics module is being re-implemented and will be restored in a "
              "later version of Vorlane!");
    EXPECT_EQ(m_ui.Shown()[0].caption, "Error!");
    EXPECT_EQ(m_ui.Shown()[1].text,
              "The file backup has been disabled as of version 3.72. It is being reimplemented "
              "and will be out in 3.75.");
    EXPECT_EQ(m_ui.Shown()[1].caption, "Sorry!");
}

TEST_F(GuiTest, WindowCommandsNeedAnActiveFileManagerWindow) {
    EXPECT_FALSE(Frame().Action(catalogue::kCmdTagFile)->isEnabled());
    Frame().RunCommand(catalogue::kCmdTagFile); // nothing to act on: silently ignored
    EXPECT_TRUE(m_ui.Shown().empty());
    ASSERT_NE(Frame().OpenFileManager("C:", 1, false), nullptr);
    EXPECT_TRUE(Frame().Action(catalogue::kCmdTagFile)->isEnabled());
    Frame().RunCommand(14115); // Copy: the file operations come later
    EXPECT_TRUE(m_ui.Showed("Copying files is not available yet"));
}

TEST_F(GuiTest, StatusBarHasFourFieldsWithTemplatesInArial14) {
    CFrameStatusBar* bar = Frame().FrameStatusBar();
    EXPECT_EQ(bar->Field(1), " :   0MB free,  MB total");
    EXPECT_EQ(bar->Field(2), "Total        file(s) (      MB)");
    EXPECT_EQ(bar->Field(3), "Tagged        files (       k)");
    EXPECT_EQ(bar->Field(4), "");
    QFont font = bar->Label(2)->font();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_EQ(font.pixelSize(), 14);
    EXPECT_FALSE(font.bold());
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
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow()->windowTitle(), "Drive D");

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
    EXPECT_EQ(children[0]->geometry().height(), area.height());

    frame.RunCommand(kCmdTileHorizontally); // one above the other
    EXPECT_EQ(children[0]->geometry().left(), area.left());
    EXPECT_LT(children[0]->geometry().top(), children[1]->geometry().top());
    EXPECT_EQ(children[0]->geometry().width(), area.width());

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
    EXPECT_EQ(frame.FrameStatusBar()->Field(2), "Total        file(s) (      MB)");
}

} // namespace vorlane::gui::test
