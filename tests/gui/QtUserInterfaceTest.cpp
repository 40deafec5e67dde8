#include "GuiTestSupport.h"

#include "platform/Drives.h"

#include "app/VorlaneApp.h"
#include "gui/CHelpWindow.h"
#include "gui/QtUserInterface.h"
#include "gui/StatusWindows.h"

#include "fileops/CFileOperation.h"

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
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

namespace {

// Clicks Cancel of the first status window once its current gauge has moved
// past 0%: the click is queued, so only the copy's abort poll delivers it.
class CancelWhenUnderway : public QObject {
  public:
    int seenPercent = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<CStatusDialogBase*>(watched);
        if (event->type() == QEvent::Show && dialog && !m_hooked) {
            m_hooked = true;
            QProgressBar* gauge = dialog->findChild<QProgressBar*>();
            QPushButton* cancel = dialog->findChild<QPushButton*>();
            connect(gauge, &QProgressBar::valueChanged, this, [this, cancel](int value) {
                if (value <= 0 || m_clicked)
                    return;
                m_clicked = true;
                seenPercent = value;
                QMetaObject::invokeMethod(
                    cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); },
                    Qt::QueuedConnection);
            });
        }
        return false;
    }

  private:
    bool m_hooked = false;
    bool m_clicked = false;
};

} // namespace

TEST_F(GuiTest, CancelClickedDuringACopySeenByThePollLeavesNoTarget) {
    const size_t size = 8 * 1024 * 1024;
    MakeFile("big.bin", size);
    QtUserInterface qt(&Frame());
    ui::ScopedUserInterface installed(&qt);
    CancelWhenUnderway canceller;
    qApp->installEventFilter(&canceller);
    bool copied = true;
    int code = 0;
    std::string error;
    {
        std::unique_ptr<ui::StatusWindow> status =
            ui::Current().MakeStatusWindow(ui::StatusKind::Operation, "Copy Files");
        fileops::CFileOperation op(
            ui::OperationContext(ui::Current(), platform::DriveMap::Current()), status.get());
        copied = op.Copy("C:\\big.bin", "D:\\big.bin", false);
        code = op.Error().Code();
        error = op.Error().Message();
    }
    qApp->removeEventFilter(&canceller);
    EXPECT_FALSE(copied);
    EXPECT_EQ(code, fileops::CDosErrorMessage::kUserAborted) << error;
    EXPECT_GT(canceller.seenPercent, 0); // the gauge moved before the click
    EXPECT_LT(canceller.seenPercent, 100);
    EXPECT_EQ(ReadAll(m_c / "big.bin").size(), size);
    // Nothing else was left in the target directory either.
    EXPECT_TRUE(QDir(QString::fromStdString(m_d.path()))
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST_F(GuiTest, PickerFiltersBecomeQtNameFilters) {
    EXPECT_EQ(QtNameFilters("Zip Files|*.ZIP|All Files|*.*"), "Zip Files (*.ZIP);;All Files (*.*)");
    EXPECT_EQ(QtNameFilters("Pictures|*.JPG;*.PNG"), "Pictures (*.JPG *.PNG)");
    EXPECT_EQ(QtNameFilters(""), "");
}

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
