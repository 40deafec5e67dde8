// The frame's viewer commands: "&Viewer Window" (a file picked in "View
// File", its directory remembered exactly as given) and the file manager
// window's "&View" on its caret file, both opening a CViewerWindow; "Image
// Conversion" on the active window's files; apply as wallpaper from an
// image window.
#include "gui/CVorlaneFrame.h"

#include "app/VorlaneApp.h"
#include "catalogue/CFileContainer.h"
#include "gui/CImageConversionDialog.h"
#include "gui/CJobManager.h"
#include "gui/CViewerWindow.h"
#include "gui/CVorlaneMDIChild.h"
#include "gui/TFileManagerWindow.h"
#include "gui/ViewerSupport.h"
#include "gui/WindowSettings.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/ProgramDirs.h"
#include "ui/UserInterface.h"
#include "viewers/ImageConversion.h"
#include "viewers/Wallpaper.h"

#include <QMdiArea>
#include <QPointer>
#include <QScreen>

#include <cstdlib>

namespace vorlane::gui {

void CVorlaneFrame::RunNewViewerWindow() {
    const std::string initial = SettingsStore().Read(kNewViewerSection, kNewViewerDirectoryKey);
    const std::optional<std::string> picked =
        ui::Current().PickOpenFile("View File", "All Files (*.*)|*.*", initial);
    if (!picked || picked->empty())
        return;
    // The path stays as the user gave it: names on Linux are case-sensitive.
    const std::string& chosen = *picked;
    std::string host = chosen;
    if (chosen[0] != '/' &&
        !platform::DosToHost(chosen, &host, nullptr, *m_jobs->NewContext().DriveSnapshot()))
        return;
    const size_t slash = chosen.find_last_of(chosen[0] == '/' ? "/" : "\\");
    SettingsStore().Write(kNewViewerSection, kNewViewerDirectoryKey,
                          chosen[0] == '/' ? chosen.substr(0, std::max<size_t>(slash, 1))
                                           : platform::ParentDosPath(chosen));
    OpenViewerWindow(host, chosen, false);
}

void CVorlaneFrame::RunViewCommand() {
    TFileManagerWindow* fm = ActiveFileManager();
    const catalogue::CFileContainer* caret = fm ? fm->Session().CaretFile() : nullptr;
    if (!caret)
        return;
    const viewers::ViewEntry entry = ViewEntryOf(*caret, *m_jobs->NewContext().DriveSnapshot());
    if (entry.zipMember) {
        const std::string message = viewers::ZipMemberViewMessage(
            entry, ViewSettingsOf(CurrentAppSettings()), ExistingTempDirectory());
        if (!message.empty()) {
            ui::Current().Message(message, "Viewer", ui::Buttons::Ok, ui::Icon::Information);
            return;
        }
    }
    const std::string name = caret->FullPath();
    const bool member = entry.zipMember;
    // A member's copy goes when its window closes.
    WithCaretFile([this, name, member](const std::string& hostPath) {
        OpenViewerWindow(hostPath, name, member);
    });
}

void CVorlaneFrame::OpenViewerWindow(const std::string& hostPath, const std::string& shownName,
                                     bool deleteWhenDone) {
    auto* viewer = new CViewerWindow(hostPath, shownName, deleteWhenDone);
    connect(viewer, &CViewerWindow::WallpaperRequested, this, &CVorlaneFrame::ApplyWallpaper);
    auto* child = new CVorlaneMDIChild(viewer);
    child->setWindowTitle(QString::fromStdString(shownName));
    child->setWindowIcon(windowIcon());
    m_mdi->addSubWindow(child);
    PlaceCascaded(child);
    child->show();
    m_mdi->setActiveSubWindow(child);
}

} // namespace vorlane::gui

namespace vorlane::gui {

namespace {

viewers::ImageConversionSettings StoredConversionSettings() {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    app::IUserParameterStore* store = a ? a->UserParameters() : nullptr;
    std::vector<uint8_t> data;
    std::vector<int32_t> values;
    if (store && store->GetUserParameter(viewers::kImageConversionParameter, &data))
        app::DecodeIntArray(data, &values);
    return viewers::ImageConversionSettings::FromInts(values);
}

void StoreConversionSettings(const viewers::ImageConversionSettings& settings) {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    if (app::IUserParameterStore* store = a ? a->UserParameters() : nullptr)
        store->PutUserParameter(viewers::kImageConversionParameter,
                                app::EncodeIntArray(settings.ToInts()));
}

} // namespace

void CVorlaneFrame::RunImageConversion() {
    TFileManagerWindow* fm = ActiveFileManager();
    if (!fm)
        return;
    QPointer<TFileManagerWindow> window(fm);
    CImageConversionDialog dialog(
        fm->Session().CurrentDirectoryPath(),
        [window](int group) {
            return window ? window->GroupFiles(group) : std::vector<std::string>{};
        },
        fm->PreselectedGroup(), StoredConversionSettings(), this);
    if (RunDialog(dialog, CImageConversionDialog::kHelpContext) != QDialog::Accepted)
        return;
    StoreConversionSettings(dialog.Parameters().settings);
    m_jobs->Start(std::make_unique<viewers::CImageConversionJob>(dialog.Parameters()));
}

void CVorlaneFrame::ApplyWallpaper(const QString& hostPath) {
    viewers::WallpaperRequest request;
    request.picture = hostPath.toStdString();
    request.shownName = request.picture;
    request.home = platform::WindowsDirectory();
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    request.desktop = viewers::DesktopOf(desktop ? desktop : "");
    if (const QScreen* screen = this->screen()) {
        const QSize size = screen->size() * screen->devicePixelRatio();
        request.desktopWidth = size.width();
        request.desktopHeight = size.height();
    }
    viewers::ApplyWallpaper(ui::Current(), request);
}

} // namespace vorlane::gui
