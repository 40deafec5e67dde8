#include "gui/ArchiveCommands.h"

#include "app/VorlaneApp.h"
#include "catalogue/CatalogueTypes.h"
#include "fileops/ZipArchiveCommands.h"
#include "fileops/ZipToExe.h"
#include "gui/CJobManager.h"
#include "gui/CVorlaneFrame.h"
#include "gui/Commands.h"
#include "gui/QtUserInterface.h"
#include "gui/TFileManagerWindow.h"
#include "gui/WindowSettings.h"
#include "platform/DosPath.h"
#include "ui/UserInterface.h"

#include <QFileDialog>

namespace vorlane::gui {

namespace {

ArchiveFilePicker g_picker;

std::optional<std::string> QtDialog(const ArchiveDialogRequest& request, QWidget* parent) {
    QString directory;
    std::string host;
    if (!request.initialDir.empty() && platform::DosToHost(request.initialDir, &host))
        directory = QString::fromStdString(host);
    QFileDialog dialog(parent, QString::fromStdString(request.caption), directory,
                       QString::fromStdString(QtNameFilters(request.filter)));
    dialog.setAcceptMode(request.mustExist ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // New Archive: any name in an existing directory; an existing archive
    // is opened, so there is no question about replacing it.
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    std::string dos;
    if (!platform::HostToDos(dialog.selectedFiles().front().toStdString(), &dos)) {
        ui::Current().Message("'" + dialog.selectedFiles().front().toStdString() +
                              "' is not on a drive that Vorlane shows!");
        return std::nullopt;
    }
    return dos;
}

std::optional<std::string> Pick(const ArchiveDialogRequest& request, CVorlaneFrame& frame,
                                int helpContext) {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    if (a)
        a->PushHelpContext(helpContext);
    std::optional<std::string> chosen;
    ui::UserInterface& ui = ui::Current();
    if (g_picker)
        chosen = g_picker(request);
    else if (dynamic_cast<QtUserInterface*>(&ui))
        chosen = QtDialog(request, &frame);
    else if (request.mustExist)
        chosen = ui.PickOpenFile(request.caption, request.filter, request.initialDir);
    else
        chosen = ui.PickSaveFile(request.caption, request.filter, request.initialDir);
    if (a)
        a->PopHelpContext();
    return chosen;
}

void WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
    SettingsStore().Write(section, key, value);
}

ArchiveDialogRequest Request(const char* caption, const char* filter, bool mustExist) {
    ArchiveDialogRequest request;
    request.caption = caption;
    request.filter = filter;
    request.initialDir =
        SettingsStore().Read(fileops::kZipSettingsSection, fileops::kZipOpenPathKey);
    request.mustExist = mustExist;
    return request;
}

} // namespace

void SetArchiveFilePicker(ArchiveFilePicker picker) {
    g_picker = std::move(picker);
}

std::optional<std::string> PickZipToExeFile(CVorlaneFrame& frame) {
    std::optional<std::string> chosen =
        Pick(Request(fileops::kOpenZipCaption, fileops::kOpenZipFilter, true), frame, kCmdZipToExe);
    if (chosen)
        fileops::SaveZipOpenPath(*chosen, WriteSetting);
    return chosen;
}

TFileManagerWindow* RunNewArchive(CVorlaneFrame& frame) {
    std::optional<std::string> chosen =
        Pick(Request(fileops::kNewArchiveCaption, fileops::kNewArchiveFilter, false), frame,
             fileops::kNewArchiveHelpContext);
    if (!chosen)
        return nullptr;
    std::optional<std::string> archive =
        fileops::PrepareNewArchive(frame.Jobs().NewContext(), *chosen, WriteSetting);
    if (!archive)
        return nullptr;
    return frame.OpenFileManager(*archive, catalogue::kDriveZip, true);
}

TFileManagerWindow* RunOpenArchive(CVorlaneFrame& frame) {
    std::optional<std::string> chosen =
        Pick(Request(fileops::kOpenArchiveCaption, fileops::kOpenArchiveFilter, true), frame,
             fileops::kOpenArchiveHelpContext);
    if (!chosen)
        return nullptr;
    std::string archive = fileops::PrepareOpenArchive(*chosen, WriteSetting);
    return frame.OpenFileManager(archive, catalogue::kDriveZip, true);
}

} // namespace vorlane::gui
