#include "gui/ShellCommands.h"

#include "app/NetworkDrives.h"
#include "app/VorlaneApp.h"
#include "catalogue/CFileContainer.h"
#include "catalogue/CZipFileInfo.h"
#include "fileops/CRestoreJob.h"
#include "fileops/CVolumeLabelJob.h"
#include "fileops/FileProperties.h"
#include "gui/CFileRestoreDialog.h"
#include "gui/CJobManager.h"
#include "gui/CNetworkDriveDialogs.h"
#include "gui/CPropertiesDialog.h"
#include "gui/CVolumeLabelDialog.h"
#include "gui/CVorlaneFrame.h"
#include "gui/Commands.h"
#include "gui/DialogSupport.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/MimeTypes.h"
#include "platform/NetworkDrives.h"
#include "platform/Profile.h"
#include "platform/VolumeLabel.h"
#include "ui/UserInterface.h"

#include <QPointer>

#include <algorithm>

namespace vorlane::gui {

namespace {

constexpr int kCmdProperties = 14145;

// Fills input for the caret (or, tree focused, the current directory);
// false when there is nothing to show (the user was told why).
bool GatherProperties(TFileManagerWindow& fm, const platform::DriveMap& drives,
                      PropertiesInput* input) {
    const catalogue::CFileContainer* caret = fm.Session().CaretFile();
    platform::SysError err;
    if (fm.TreeHasFocus() || caret == nullptr) {
        const std::string dir = fm.Session().CurrentDirectoryPath();
        if (dir.empty())
            return false;
        if (!fileops::ReadFileProperties(dir, drives, &input->file, &err)) {
            ui::Current().Message(err.message);
            return false;
        }
        return true;
    }
    if (const auto* member = dynamic_cast<const catalogue::CZipFileInfo*>(caret)) {
        const std::string zipFile = fm.CurrentZipFile();
        fileops::ZipMemberProperties details;
        if (!fileops::ReadZipMemberProperties(zipFile, std::string(member->RealName()), drives,
                                              &details, &err)) {
            ui::Current().Message(err.message);
            return false;
        }
        fileops::FileProperties& f = input->file;
        f.name = member->Name();
        f.dosPath = member->FullPath();
        platform::DosToHost(zipFile, &f.hostPath, nullptr, drives);
        f.typeName = *platform::FileTypeName(f.name);
        f.size = member->Size();
        f.attributes = member->AttributeWord() & 0x3F;
        f.modified = platform::FromDosDateTime({member->DosDate(), member->DosTime()});
        input->member = details;
        return true;
    }
    if (!fileops::ReadFileProperties(caret->FullPath(), drives, &input->file, &err)) {
        ui::Current().Message(err.message);
        return false;
    }
    return true;
}

void RunProperties(CVorlaneFrame& frame) {
    QPointer<TFileManagerWindow> fm = frame.ActiveFileManager();
    if (!fm)
        return;
    std::shared_ptr<const platform::DriveMap> drives = CurrentDrives();
    PropertiesInput input;
    if (!GatherProperties(*fm, *drives, &input))
        return;
    const bool countContents = input.file.isDirectory;
    const std::string directory = input.file.dosPath;
    CPropertiesDialog dialog(std::move(input), &frame);
    if (countContents) {
        auto job = std::make_unique<fileops::CDirectorySizeJob>(directory);
        std::shared_ptr<const fileops::DirectorySizeProgress> progress = job->Progress();
        CJobManager* jobs = &frame.Jobs();
        const uint64_t id = jobs->Start(std::move(job));
        dialog.ShowCount(progress, [jobs, id] { jobs->Cancel(id); });
    }
    frame.RunModalDialog(dialog, CPropertiesDialog::kHelpContext);
}

char CommandDrive(CVorlaneFrame& frame) {
    if (TFileManagerWindow* fm = frame.ActiveFileManager())
        if (char letter = platform::PathDriveLetter(fm->Session().CurrentDirectoryPath()))
            return static_cast<char>(letter & ~0x20);
    return CVorlaneFrame::DefaultDrive();
}

void RunVolumeLabel(CVorlaneFrame& frame) {
    const char letter = CommandDrive(frame);
    if (letter == 0)
        return;
    platform::VolumeDetails volume;
    platform::SysError err;
    if (!platform::ReadVolume(letter, *CurrentDrives(), platform::SystemMountTable(), &volume,
                              &err)) {
        ui::Current().Message(err.message);
        return;
    }
    CVolumeLabelDialog dialog(volume, &frame);
    if (frame.RunModalDialog(dialog, CVolumeLabelDialog::kHelpContext) != QDialog::Accepted)
        return;
    frame.Jobs().Start(std::make_unique<fileops::CVolumeLabelJob>(volume, dialog.NewLabel()));
}

// The settings file, loaded; null without an application.
std::unique_ptr<platform::ProfileFile> LoadSettings() {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return nullptr;
    auto ini = std::make_unique<platform::ProfileFile>(a->SettingsPath());
    ini->Load();
    return ini;
}

void SaveSettings(platform::ProfileFile& ini) {
    platform::SysError err;
    if (!ini.Flush(&err))
        ui::Current().Message("The drive letter could not be kept for the next run of Vorlane:\n" +
                              err.message);
}

// Puts map in force for the application (or, without one, the process)
// and shows its letters on the drive bar.
void UseDriveMap(CVorlaneFrame& frame, platform::DriveMap map) {
    if (app::VorlaneApp* a = app::VorlaneApp::Current())
        a->UseDriveMap(std::move(map));
    else
        platform::DriveMap::SetCurrent(std::move(map));
    frame.RebuildDriveBar();
}

void RunMapNetworkDrive(CVorlaneFrame& frame) {
    platform::DriveMap map = *CurrentDrives();
    CMapNetworkDriveDialog dialog(app::FreeDriveLetters(map), &frame);
    if (frame.RunModalDialog(dialog, CMapNetworkDriveDialog::kHelpContext) != QDialog::Accepted)
        return;
    app::NetworkDrive drive{dialog.Letter(), dialog.Target(), false};
    std::string hostDir = drive.target;
    if (platform::IsNetworkLocation(drive.target)) {
        platform::NetworkMount mount;
        platform::SysError err;
        ui::Current().BeginWait();
        const bool mounted = platform::MountNetworkLocation(drive.target, &mount, &err);
        ui::Current().EndWait();
        if (!mounted) {
            ui::Current().Message(err.message);
            return;
        }
        hostDir = mount.localPath;
        drive.mountedByUs = mount.mountedByUs;
    }
    if (std::unique_ptr<platform::ProfileFile> ini = LoadSettings()) {
        app::RecordNetworkDrive(*ini, map, drive, hostDir);
        SaveSettings(*ini);
    }
    map.Set(drive.letter, hostDir);
    UseDriveMap(frame, std::move(map));
}

void RunDisconnectNetworkDrive(CVorlaneFrame& frame) {
    std::unique_ptr<platform::ProfileFile> ini = LoadSettings();
    std::vector<app::NetworkDrive> drives;
    if (ini)
        drives = app::ReadNetworkDrives(*ini);
    if (drives.empty()) {
        ui::Current().Message("No drive letter was given out by Map Network Drive.",
                              CDisconnectNetworkDriveDialog::kCaption, ui::Buttons::Ok,
                              ui::Icon::Information);
        return;
    }
    CDisconnectNetworkDriveDialog dialog(drives, &frame);
    if (frame.RunModalDialog(dialog, CDisconnectNetworkDriveDialog::kHelpContext) !=
            QDialog::Accepted ||
        dialog.Letter() == 0)
        return;
    const char letter = dialog.Letter();
    const auto it =
        std::find_if(drives.begin(), drives.end(),
                     [letter](const app::NetworkDrive& d) { return d.letter == letter; });
    // Only what Vorlane mounted is unmounted; a location that was mounted
    // already stays as the user left it.
    if (it->mountedByUs) {
        platform::SysError err;
        ui::Current().BeginWait();
        const bool unmounted = platform::UnmountNetworkLocation(it->target, &err);
        ui::Current().EndWait();
        if (!unmounted) {
            ui::Current().Message(err.message);
            return;
        }
    }
    app::ForgetNetworkDrive(*ini, letter);
    SaveSettings(*ini);
    platform::DriveMap map = *CurrentDrives();
    map.Clear(letter);
    UseDriveMap(frame, std::move(map));
}

void RunRestore(CVorlaneFrame& frame) {
    CJobManager* jobs = &frame.Jobs();
    CFileRestoreDialog dialog(RestoreDrives(), [jobs](char drive) {
        return fileops::ScanRestoreDrive(drive, jobs->NewContext());
    });
    if (frame.RunModalDialog(dialog, CFileRestoreDialog::kHelpContext) != QDialog::Accepted ||
        !dialog.Scan().found)
        return;
    std::string initial;
    if (TFileManagerWindow* fm = frame.ActiveFileManager())
        initial = fm->Session().CurrentDirectoryPath();
    std::optional<std::string> destination =
        ui::Current().PickDirectory("Restore Files To", initial);
    if (!destination)
        return;
    jobs->Start(std::make_unique<fileops::CRestoreJob>(
        fileops::CRestoreParameters{dialog.Scan().archive, *destination}));
}

} // namespace

std::vector<char> RestoreDrives() {
    std::vector<char> letters;
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    std::vector<app::NetworkDrive> mapped;
    if (std::unique_ptr<platform::ProfileFile> ini = LoadSettings())
        mapped = app::ReadNetworkDrives(*ini);
    std::shared_ptr<const platform::DriveMap> drives = CurrentDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (drives->Root(letter).empty())
            continue;
        const int type = a ? a->DriveType(letter).Type() : app::CDriveType(letter, false).Type();
        const bool removable = type == platform::kDriveRemovable || type == platform::kDriveCdrom ||
                               type == platform::kDriveFloppy;
        const bool wasMapped =
            std::any_of(mapped.begin(), mapped.end(),
                        [letter](const app::NetworkDrive& d) { return d.letter == letter; });
        if (removable || wasMapped)
            letters.push_back(letter);
    }
    return letters;
}

bool RunShellCommand(CVorlaneFrame& frame, int id) {
    switch (id) {
    case kCmdProperties:
        RunProperties(frame);
        return true;
    case kCmdVolumeLabel:
        RunVolumeLabel(frame);
        return true;
    case kCmdMapNetworkDrive:
        RunMapNetworkDrive(frame);
        return true;
    case kCmdDisconnectNetworkDrive:
        RunDisconnectNetworkDrive(frame);
        return true;
    case kCmdRestore:
        RunRestore(frame);
        return true;
    default:
        return false;
    }
}

} // namespace vorlane::gui
