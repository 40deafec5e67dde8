// The thumbnail commands, their scanning window, the settings page's image
// types, and the thumbnail view drawing stored pictures (the right one for
// each of two files whose names differ only in case).
#include "AppFrameTest.h"

#include "gui/CGeneralSettingsSheet.h"
#include "gui/CGuiChangeSink.h"
#include "gui/CGuiThumbnailStore.h"
#include "gui/CJobManager.h"
#include "gui/CStartupNoticeDialog.h"
#include "gui/StatusWindows.h"
#include "objdb/CAppObjectDatabase.h"
#include "platform/Drives.h"
#include "viewers/ThumbnailStore.h"

#include <QIcon>
#include <QImage>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace vorlane::gui::test {

namespace {

// A picture of width x height in two colours (left and right halves).
void MakeImage(const std::string& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixel(x, y, qRgb(230, 160, 40));
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

class ThumbnailsTest : public AppFrameTest {
  protected:
    ~ThumbnailsTest() override {
        if (m_app)
            Shutdown();
        std::remove(DatabasePath().c_str());
    }
    std::string DatabasePath() const {
        const std::string ini = IniPath();
        return ini.substr(0, ini.rfind('/')) + "/VORLN32.DAT";
    }
    // The program as it starts, with an object database of its own.
    void StartWithDatabase() {
        std::remove(DatabasePath().c_str());
        app::AppServices services;
        services.makeDatabase = objdb::MakeAppDatabase;
        m_app = std::make_unique<app::VorlaneApp>(services);
        m_appFrame = std::make_unique<CVorlaneFrame>(m_app.get());
        m_appFrame->SetShowOnCreate(true);
        m_appFrame->SetDialogRunner([this](QDialog& dialog) {
            if (OnDialog && !dynamic_cast<CStartupNoticeDialog*>(&dialog))
                return OnDialog(dialog);
            return static_cast<int>(QDialog::Accepted);
        });
        Start();
    }
    // The icon the file list draws for a name.
    static QIcon IconOf(TFileManagerWindow& w, const QString& name) {
        const int row = Row(w, name);
        EXPECT_GE(row, 0) << name.toStdString();
        return w.FileModel()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
    }
    static QSize PictureSize(const QIcon& icon) {
        const QList<QSize> sizes = icon.availableSizes();
        return sizes.isEmpty() ? QSize() : sizes.front();
    }
};

TEST_F(GuiTest, ThumbnailsMenuCarriesItsFiveCommands) {
    QMenu* menu = nullptr;
    for (QAction* top : Frame().menuBar()->actions())
        if (top->text() == "Thumb&nails")
            menu = top->menu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    EXPECT_EQ(texts, (QStringList{"Scan &Branch", "Scan &Directory", "Scan Dri&ve", "Remove &All",
                                  "Remove &Orphans"}));
    for (int id = kCmdFirstThumbnailCommand; id <= kCmdLastThumbnailCommand; ++id)
        EXPECT_EQ(FindCommand(id)->later, nullptr) << id;
}

TEST_F(GuiTest, ScanningWindowShowsItsFieldsAndErrorsAndCancels) {
    auto window = MakeQtStatusWindow(&Frame(), ui::StatusKind::ThumbnailScan, "Scan", false);
    auto* dialog = Frame().findChild<CThumbnailScanningStatusWindow*>();
    ASSERT_NE(dialog, nullptr);
    struct Case {
        ui::StatusField field;
        const char* text;
    } cases[] = {
        {ui::StatusField::Directory, "C:\\PICS"},       {ui::StatusField::DirectoriesScanned, "3"},
        {ui::StatusField::FilesExamined, "120"},        {ui::StatusField::ThumbnailsCreated, "17"},
        {ui::StatusField::File, "c:\\pics\\beach.png"}, {ui::StatusField::Step, "Resizing..."}};
    for (const Case& c : cases)
        window->SetField(c.field, c.text);
    window->AddError("Unable to create thumbnail for 'C:\\PICS\\BAD.PNG'.");
    for (const Case& c : cases)
        EXPECT_EQ(dialog->FieldText(c.field).toStdString(), c.text);
    EXPECT_EQ(dialog->Errors(), QStringList{"Unable to create thumbnail for 'C:\\PICS\\BAD.PNG'."});
    dialog->resize(480, dialog->sizeHint().height());
    Shot(*dialog, "thumbnail-scanning.png");
    EXPECT_FALSE(window->CancelRequested());
    dialog->reject();
    EXPECT_TRUE(window->CancelRequested());
}

TEST_F(ThumbnailsTest, SettingsPageChoosesTheImageTypes) {
    StartWithDatabase();
    OnDialog = [](QDialog& dialog) {
        auto* sheet = dynamic_cast<CGeneralSettingsSheet*>(&dialog);
        EXPECT_NE(sheet, nullptr);
        if (!sheet)
            return static_cast<int>(QDialog::Rejected);
        QListWidget* types = sheet->ImageTypes();
        EXPECT_EQ(types->count(), 19);
        EXPECT_EQ(types->item(0)->text(), "BMP (Windows&OS/2)");
        QStringList checked;
        for (int i = 0; i < types->count(); ++i)
            if (types->item(i)->checkState() == Qt::Checked)
                checked << types->item(i)->text().trimmed();
        EXPECT_EQ(checked, (QStringList{"BMP (Windows&OS/2)", "Compuserve PNG"}));

        // Kept types keep their order (the scan filter's); new ones follow.
        types->item(5)->setCheckState(Qt::Checked); // JPEG
        EXPECT_EQ(sheet->CheckedImageTypes(), (std::vector<int32_t>{75, 6, 10}));
        sheet->UnselectAllTypes()->click();
        EXPECT_TRUE(sheet->CheckedImageTypes().empty());
        sheet->SelectAllTypes()->click();
        EXPECT_EQ(sheet->CheckedImageTypes().size(), 19u);
        types->item(0)->setCheckState(Qt::Unchecked);
        sheet->ThumbnailWidth()->setValue(64);
        sheet->Pages()->setCurrentIndex(CGeneralSettingsSheet::kThumbnails);
        sheet->resize(520, 560);
        Shot(*sheet, "settings-thumbnails.png");
        EXPECT_TRUE(sheet->Apply());
        return static_cast<int>(QDialog::Accepted);
    };
    m_appFrame->RunCommand(kCmdGeneralSettings);
    OnDialog = nullptr;
    const app::AppSettings& settings = m_app->Settings();
    EXPECT_EQ(settings.thumbnailTypes.size(), 18u);
    EXPECT_EQ(settings.thumbnailTypes.front(), 75);
    EXPECT_EQ(settings.thumbnailWidth, 64);
}

TEST_F(ThumbnailsTest, ScanThenViewDrawsEachFilesOwnPicture) {
    ::mkdir((m_c / "Pics").c_str(), 0755);
    MakeImage(m_c / "Pics/Wide.png", 400, 300);
    MakeImage(m_c / "Pics/wide.PNG", 300, 400); // differs only in case
    MakeImage(m_c / "Pics/Square.png", 200, 200);
    MakeFile("Pics/notes.txt", 10);
    StartWithDatabase();
    TFileManagerWindow& w = *m_appFrame->OpenFileManager("C:", 1, false, "C:\\Pics");
    Pump();
    m_appFrame->resize(760, 420);

    w.RunCommand(kCmdThumbnailScanDirectory);
    Pump();
    // The two case variants share one object: the one scanned last owns it.
    std::vector<std::string> names = AppThumbnailStore().Names();
    EXPECT_EQ(names, (std::vector<std::string>{"c:\\pics\\square.png", "c:\\pics\\wide.png"}));
    ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
    EXPECT_EQ(m_ui.StatusWindows()[0]->kind, ui::StatusKind::ThumbnailScan);

    w.RunCommand(kCmdViewThumbnails);
    Pump();
    // Display size 48 x 36 by default: each picture fitted by the rule.
    EXPECT_EQ(PictureSize(IconOf(w, "Wide.png")), QSize(48, 36));
    EXPECT_EQ(PictureSize(IconOf(w, "wide.PNG")), QSize(27, 36));
    EXPECT_EQ(PictureSize(IconOf(w, "Square.png")), QSize(36, 36));
    EXPECT_TRUE(PictureSize(IconOf(w, "notes.txt")) != QSize(36, 36));
    Shot(w, "thumbnail-view.png");

    // A deleted picture's thumbnail goes with it.
    ::unlink((m_c / "Pics/Square.png").c_str());
    CGuiChangeSink sink;
    sink.Notify({ui::ChangeKind::Removed, "C:\\Pics\\Square.png"});
    names = AppThumbnailStore().Names();
    EXPECT_EQ(names, std::vector<std::string>{"c:\\pics\\wide.png"});

    // Remove All asks first.
    m_ui.QueueYesNo(true);
    w.RunCommand(kCmdThumbnailRemoveAll);
    Pump();
    EXPECT_TRUE(m_ui.Showed("Do you wish to remove all 1 thumbnails from Vorlane's object "
                            "database?"));
    EXPECT_TRUE(AppThumbnailStore().Names().empty());
    EXPECT_NE(PictureSize(IconOf(w, "Wide.png")), QSize(48, 36));
}

// The scan as a job on a worker thread: every store call is carried to the
// GUI thread that owns the database, the window's fields and errors arrive
// there, and the directory is announced when it ends.
TEST_F(ThumbnailsTest, ScanJobOnAWorkerStoresThroughTheGuiThread) {
    ::mkdir((m_c / "Pics").c_str(), 0755);
    ::mkdir((m_c / "Pics/Sub").c_str(), 0755);
    MakeImage(m_c / "Pics/a.png", 300, 200);
    MakeImage(m_c / "Pics/Sub/b.png", 64, 64);
    vorlane::test::WriteFile(m_c / "Pics/broken.png", "not a picture");
    StartWithDatabase();
    ui::ScriptedUserInterface worker;
    worker.SetRunsJobsInline(false);
    ui::ChangeRecorder notices;
    ui::OperationContext context(
        worker,
        std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec("C=" + m_c.path())), {},
        &notices);
    CJobManager jobs(worker);
    ui::JobResult result;
    jobs.Start(std::make_unique<CGuiThumbnailJob>(viewers::ThumbnailJobParameters{
                   viewers::ThumbnailCommand::ScanBranch, "C:\\Pics", {75}, 2}),
               context, [&result](const ui::JobResult& r) { result = r; });
    ASSERT_TRUE(jobs.WaitForAll(20000));
    PumpUntil(
        [&] { return !worker.StatusWindows().empty() && worker.StatusWindows()[0]->destroyed; });
    EXPECT_EQ(result.summary, "2 thumbnails created");
    EXPECT_FALSE(result.ok); // the broken picture
    EXPECT_EQ(AppThumbnailStore().Names(),
              (std::vector<std::string>{"c:\\pics\\a.png", "c:\\pics\\sub\\b.png"}));
    ASSERT_EQ(worker.StatusWindows().size(), 1u);
    const ui::StatusLog& log = *worker.StatusWindows()[0];
    EXPECT_EQ(log.kind, ui::StatusKind::ThumbnailScan);
    EXPECT_EQ(log.FieldTexts(ui::StatusField::ThumbnailsCreated).back(), "2");
    EXPECT_EQ(log.FieldTexts(ui::StatusField::DirectoriesScanned).back(), "2");
    EXPECT_EQ(log.Texts(ui::StatusLog::Call::Error),
              std::vector<std::string>{"Unable to create thumbnail for 'C:\\Pics\\broken.png'."});
    EXPECT_EQ(notices.Descriptions(),
              (std::vector<std::string>{"Changed C:\\Pics", "Changed C:\\Pics\\Sub"}));
}

} // namespace

} // namespace vorlane::gui::test
