// ReCompress ZIP Files on Drive: the dialog, the command on the Zip menu
// that starts the job on the drive chosen, and the "Recompress ZIP
// File(s)" window, shown directly and from a job on a worker thread.
#include "AppFrameTest.h"

#include "gui/CJobManager.h"
#include "gui/CZipRecompressDialog.h"
#include "gui/StatusWindows.h"
#include "platform/Drives.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>

#include <cstdlib>

namespace vorlane::gui::test {

namespace {

using Call = ui::StatusLog::Call;

class ZipRecompressTest : public AppFrameTest {
  protected:
    // A stored (uncompressed) archive of a compressible file at a path of
    // a drive's directory.
    static void MakeStoredZip(const std::string& dir, const std::string& name) {
        vorlane::test::WriteFile(dir + "/member.txt", std::string(40000, 'z'));
        const std::string command = "cd '" + dir + "' && zip -q -0 '" + name +
                                    "' member.txt >/dev/null 2>&1 && rm member.txt";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static size_t SizeOf(const std::string& path) { return ReadAll(path).size(); }
};

// The labels and choices of the dialog, and what OK hands to the job.
TEST_F(ZipRecompressTest, TheDialogOffersTheDrivesAndTheCompressionChoices) {
    CZipRecompressDialog dialog({'C', 'D', 'F'}, 'd');
    EXPECT_EQ(dialog.windowTitle(), "ReCompress ZIP Files on Drive");
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains("Dri&ve:"));
    EXPECT_TRUE(labels.contains("&Compression:"));
    EXPECT_EQ(dialog.DriveBox()->count(), 3);
    EXPECT_EQ(dialog.DriveBox()->currentText(), "D:");
    EXPECT_EQ(dialog.CompressionBox()->currentText(), "Normal");
    QStringList choices;
    for (int i = 0; i < dialog.CompressionBox()->count(); ++i)
        choices << dialog.CompressionBox()->itemText(i);
    EXPECT_EQ(choices, QStringList({"Maximum (slowest)", "Normal", "Fast", "SuperFast", "None"}));

    struct Case {
        const char* drive;
        const char* compression;
        char letter;
        int level;
    } cases[] = {
        {"F:", "Maximum (slowest)", 'F', 9}, {"C:", "None", 'C', 0}, {"D:", "Fast", 'D', 3}};
    for (const Case& c : cases) {
        dialog.DriveBox()->setCurrentIndex(dialog.DriveBox()->findText(c.drive));
        dialog.CompressionBox()->setCurrentIndex(dialog.CompressionBox()->findText(c.compression));
        fileops::CRecompressParameters p = dialog.Parameters();
        EXPECT_EQ(p.drive, c.letter) << c.drive;
        EXPECT_EQ(p.level, c.level) << c.compression;
    }
    // A current drive that is not offered: the first one is chosen.
    CZipRecompressDialog other({'C', 'D'}, 'Q');
    EXPECT_EQ(other.DriveBox()->currentText(), "C:");
}

// The Zip menu's command opens the dialog on the active window's drive;
// OK recompresses the zip files of the drive chosen, Cancel does nothing.
TEST_F(ZipRecompressTest, TheZipMenuCommandRecompressesTheChosenDrive) {
    MakeStoredZip(m_c.path(), "C.ZIP");
    MakeStoredZip(m_d.path(), "D.ZIP");
    const size_t cStored = SizeOf(m_c / "C.ZIP");
    const size_t dStored = SizeOf(m_d / "D.ZIP");
    TFileManagerWindow& fm = OpenC("C:\\");
    ASSERT_TRUE(fm.OpenDrive("D:", 1, ""));
    Pump();
    QAction* action = m_appFrame->Action(kCmdRecompressDrive);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), "&ReCompress Drive...");
    auto* menu = qobject_cast<QMenu*>(action->parent());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "&Zip");

    QString chosenFirst;
    OnDialog = [&](QDialog& shown) {
        auto& dialog = dynamic_cast<CZipRecompressDialog&>(shown);
        chosenFirst = dialog.DriveBox()->currentText();
        return static_cast<int>(QDialog::Rejected);
    };
    action->trigger();
    Pump();
    EXPECT_EQ(chosenFirst, "D:");
    EXPECT_TRUE(m_ui.StatusWindows().empty());
    EXPECT_EQ(SizeOf(m_d / "D.ZIP"), dStored);

    OnDialog = [&](QDialog& shown) {
        auto& dialog = dynamic_cast<CZipRecompressDialog&>(shown);
        dialog.CompressionBox()->setCurrentIndex(
            dialog.CompressionBox()->findText("Maximum (slowest)"));
        dialog.accept();
        return dialog.result();
    };
    action->trigger();
    Pump();
    ASSERT_TRUE(m_appFrame->Jobs().WaitForAll(20000));
    Pump();
    EXPECT_LT(SizeOf(m_d / "D.ZIP"), dStored / 10);
    EXPECT_EQ(SizeOf(m_c / "C.ZIP"), cStored); // another drive is left alone
    const ui::StatusLog* recompress = nullptr;
    for (const auto& log : m_ui.StatusWindows())
        if (log->kind == ui::StatusKind::Recompress)
            recompress = log.get();
    ASSERT_NE(recompress, nullptr);
    EXPECT_EQ(recompress->caption, "Recompress ZIP File(s)");
    EXPECT_EQ(recompress->Texts(Call::Compression), std::vector<std::string>{"Maximum (slowest)"});
}

// The window shows every line it is given; from a job on a worker thread
// the newest archive and gauge values arrive, and every error line, in
// order (a list is never coalesced to its last line).
TEST_F(ZipRecompressTest, TheStatusWindowListsEveryErrorAlsoFromAJob) {
    {
        std::unique_ptr<ui::StatusWindow> window =
            MakeQtStatusWindow(nullptr, ui::StatusKind::Recompress, "Recompress ZIP File(s)");
        window->SetArchive("C:\\A.ZIP");
        window->SetCompression("Normal");
        window->SetCurrentMessage("Adding member.txt");
        window->SetCurrentPercent(40);
        window->SetOverallPercent(50);
        window->AddError("Error opening 'C:\\B.ZIP'");
        window->AddError("Unable to re-zip 'C:\\C.ZIP'.");
        CZipRecompressStatus* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CZipRecompressStatus*>(w); d && d->isVisible())
                dialog = d;
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Recompress ZIP File(s)");
        EXPECT_EQ(dialog->ArchiveText(), "C:\\A.ZIP");
        EXPECT_EQ(dialog->CompressionText(), "Normal");
        EXPECT_EQ(dialog->MessageText(), "Adding member.txt");
        EXPECT_EQ(dialog->Value(), 40);
        EXPECT_EQ(dialog->OverallValue(), 50);
        EXPECT_EQ(dialog->Errors(),
                  QStringList({"Error opening 'C:\\B.ZIP'", "Unable to re-zip 'C:\\C.ZIP'."}));
        QStringList labels;
        for (QLabel* label : dialog->findChildren<QLabel*>())
            labels << label->text();
        for (const char* fixed :
             {"Current Status message:", "Overall Completion:", "Errors Encountered:"})
            EXPECT_TRUE(labels.contains(fixed)) << fixed;
        for (QProgressBar* gauge : dialog->findChildren<QProgressBar*>())
            EXPECT_EQ(gauge->text(), QString("%1%").arg(gauge->value()));
    }

    ui::ScriptedUserInterface recording;
    recording.SetRunsJobsInline(false);
    CJobManager jobs(recording);
    ui::OperationContext context(recording, platform::DriveMap::Current());
    class ErrorsJob : public ui::Job {
      public:
        std::string Title() const override { return "Recompress ZIP File(s)"; }
        std::string DriveLetters() const override { return "C"; }
        ui::JobResult Run(ui::OperationContext& c) override {
            auto status = c.Ui().MakeStatusWindow(ui::StatusKind::Recompress, Title());
            for (int i = 0; i < 300; ++i) {
                status->SetArchive("C:\\" + std::to_string(i) + ".ZIP");
                status->AddError("line " + std::to_string(i));
            }
            return {};
        }
    };
    jobs.Start(std::make_unique<ErrorsJob>(), context);
    ASSERT_TRUE(jobs.WaitForAll(10000));
    ASSERT_TRUE(PumpUntil([&] {
        return !recording.StatusWindows().empty() && recording.StatusWindows()[0]->destroyed;
    }));
    const ui::StatusLog& log = *recording.StatusWindows()[0];
    EXPECT_EQ(log.kind, ui::StatusKind::Recompress);
    std::vector<std::string> errors = log.Texts(Call::Error);
    ASSERT_EQ(errors.size(), 300u);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(errors[static_cast<size_t>(i)], "line " + std::to_string(i));
    EXPECT_EQ(log.Texts(Call::Archive).back(), "C:\\299.ZIP");
}

} // namespace

} // namespace vorlane::gui::test
