#include "fileops/CRestoreJob.h"

#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "platform/ProgramDirs.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace vorlane::fileops {

namespace {

bool EndsWithZip(std::string_view name) {
    if (name.size() <= 4)
        return false;
    std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'z' && (ext[2] | 0x20) == 'i' &&
           (ext[3] | 0x20) == 'p';
}

} // namespace

std::string FindRestoreArchive(char drive, const platform::DriveMap& drives) {
    const std::string& root = drives.Root(drive);
    if (root.empty())
        return "";
    std::vector<std::string> names;
    platform::ListDirectory(
        root, platform::ListDetail::Names, [&](const platform::ListedEntry& entry) {
            if (!entry.isDirectory && !entry.isSymlink && EndsWithZip(entry.name))
                names.emplace_back(entry.name);
            return true;
        });
    if (names.empty())
        return "";
    std::string dos;
    const std::string host =
        platform::JoinHostPath(root, *std::min_element(names.begin(), names.end()));
    return platform::HostToDos(host, &dos, nullptr, drives) ? dos : "";
}

RestoreScan ScanRestoreDrive(char drive, const ui::OperationContext& context) {
    RestoreScan scan;
    if (drive == 0) {
        context.Ui().Message(kRestoreNoDriveText);
        return scan;
    }
    scan.archive = FindRestoreArchive(drive, context.Drives());
    if (scan.archive.empty()) {
        context.Ui().Message(kRestoreNoZipText);
        return scan;
    }
    scan.name = scan.archive.substr(scan.archive.find_last_of('\\') + 1);
    zip::CZipFileOperation op(context);
    op.SetMultiVolumeAllowed(true);
    if (op.Open(scan.archive) != zip::kOpened) {
        op.ReportUnzipError(kRestoreOpenFormat, scan.name.c_str());
        return scan;
    }
    if (!op.ReadComment(&scan.comment))
        scan.comment.clear();
    scan.found = true;
    return scan;
}

std::string CRestoreJob::DriveLetters() const {
    std::string letters;
    letters += platform::PathDriveLetter(m_parameters.archive);
    letters += platform::PathDriveLetter(m_parameters.destination);
    return ui::NormalizeDriveLetters(letters);
}

ui::JobResult CRestoreJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    std::unique_ptr<ui::StatusWindow> status =
        context.Ui().MakeBackgroundStatusWindow(ui::StatusKind::Operation, kRestoreStatusCaption);
    zip::CZipFileOperation op(context, status.get());
    op.SetMultiVolumeAllowed(true);
    const std::string name =
        m_parameters.archive.substr(m_parameters.archive.find_last_of('\\') + 1);
    if (op.Open(m_parameters.archive) != zip::kOpened) {
        op.ReportUnzipError(kRestoreOpenFormat, name.c_str());
        result.ok = false;
        return result;
    }
    const bool extracted =
        op.Extract("*", m_parameters.destination, zip::kStoreRelativePaths, true, false, false);
    result.cancelled = context.Cancelled() || (status && status->CancelRequested());
    if (!extracted) {
        if (!result.cancelled)
            op.ReportUnzipError("Unable to restore the files of '%s'.\n\n", name.c_str());
        result.ok = false;
    }
    ui::ChangeNotice notice;
    notice.kind = ui::ChangeKind::Changed;
    notice.path = m_parameters.destination;
    notice.directory = true;
    context.Notices().Notify(notice);
    result.summary = std::to_string(op.ExtractedNames().size()) + " files restored";
    return result;
}

} // namespace vorlane::fileops
