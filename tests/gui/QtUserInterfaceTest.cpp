#include "GuiTestSupport.h"

#include "app/VorlaneApp.h"
#include "gui/CHelpWindow.h"
#include "gui/Commands.h"
#include "gui/QtUserInterface.h"
#include "gui/StatusWindows.h"

#include <QApplication>
#include <QTest>
#include <QTextBrowser>

namespace vorlane::gui::test {

TEST_F(GuiTest, OperationStatusDialogShowsBothLinesAndSeesCancel) {
    COperationStatusDialog dialog(nullptr, "");
    EXPECT_EQ(dialog.windowTitle(), "Operation Status");
    EXPECT_TRUE(dialog.isVisible());
    dialog.SetCurrentMessage("Copying C:\\..\\alpha.txt");
    dialog.SetCurrentPercent(40);
    dialog.SetOverallLabel("File 1 of 3");
    dialog.SetOverallPercent(150); // out of range: held at 100
    EXPECT_EQ(dialog.CurrentText(), "Copying C:\\..\\alpha.txt");
    EXPECT_EQ(dialog.CurrentValue(), 40);
    EXPECT_EQ(dialog.OverallText(), "File 1 of 3");
    EXPECT_EQ(dialog.OverallValue(), 100);
    EXPECT_FALSE(dialog.IsCancelled());
    dialog.reject(); // the Cancel button, Escape
    EXPECT_TRUE(dialog.IsCancelled());
}

TEST_F(GuiTest, StatusWindowsOfTheQtInterfaceReportCancel) {
    QtUserInterface qt;
    for (ui::StatusKind kind : {ui::StatusKind::Operation, ui::StatusKind::Message}) {
        std::unique_ptr<ui::StatusWindow> window = qt.MakeStatusWindow(kind, "Sorting C:");
        window->SetCurrentMessage("one");
        window->SetCurrentPercent(10);
        window->SetOverallLabel("ignored by the message window");
        EXPECT_FALSE(window->Cancelled());
        auto* dialog = qobject_cast<CStatusDialogBase*>(QApplication::activeModalWidget());
        if (!dialog)
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<CStatusDialogBase*>(w); d && d->isVisible())
                    dialog = d;
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Sorting C:");
        dialog->close(); // the close box cancels, the window stays until the run ends
        EXPECT_TRUE(window->Cancelled());
    }
}

TEST_F(GuiTest, PickerFiltersBecomeQtNameFilters) {
    EXPECT_EQ(QtNameFilters("Zip Files|*.ZIP|All Files|*.*"), "Zip Files (*.ZIP);;All Files (*.*)");
    EXPECT_EQ(QtNameFilters("Pictures|*.JPG;*.PNG"), "Pictures (*.JPG *.PNG)");
    EXPECT_EQ(QtNameFilters(""), "");
}

} // namespace vorlane::gui::test

namespace vorlane::gui::test {

TEST_F(GuiTest, HelpShowsThePageOfAContextOrTheContents) {
    EXPECT_EQ(CHelpWindow::PageFor(3600), "qrc:/help/3600.html");
    EXPECT_EQ(CHelpWindow::PageFor(0), "qrc:/help/15.html");
    EXPECT_EQ(CHelpWindow::PageFor(99999), "qrc:/help/15.html");
    CHelpWindow* window = CHelpWindow::Show(&Frame(), 14525);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Browser()->toPlainText().contains("two keys must be different"));
    // The window is reused for the next context.
    EXPECT_EQ(CHelpWindow::Show(&Frame(), 3600), window);
    EXPECT_EQ(window->windowTitle(), "Vorlane Help: Log Drive");
}

TEST_F(GuiTest, HelpMenuAndF1ReachTheHelpService) {
    std::vector<int> contexts;
    app::AppServices services;
    services.showHelp = [&](const std::string&, int context) { contexts.push_back(context); };
    app::VorlaneApp application(std::move(services));
    CVorlaneFrame frame(&application);
    frame.show();
    frame.activateWindow();
    QApplication::processEvents();
    frame.RunCommand(kCmdHelpContents);
    frame.RunCommand(kCmdHelpHowToUse);
    QTest::keyClick(&frame, Qt::Key_F1);
    EXPECT_EQ(contexts, std::vector<int>({0, 2008, 15}));
}

} // namespace vorlane::gui::test
