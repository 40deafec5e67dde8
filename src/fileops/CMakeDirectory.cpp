#include "fileops/CMakeDirectory.h"

#include "fileops/CFileOperation.h"
#include "fileops/ZipArchiveCommands.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

std::string FullPath(const CMakeDirectoryParameters& p) {
    if (platform::PathDriveLetter(p.name) != 0 && p.name.size() >= 2 && p.name[1] == ':')
        return platform::NormalizeDosPath(p.name);
    return platform::NormalizeDosPath(platform::JoinDosPath(p.currentDirectory, p.name));
}

} // namespace

std::optional<std::string> RunMakeDirectory(const CMakeDirectoryParameters& p,
                                            const ui::OperationContext& context) {
    ui::UserInterface& ui = context.Ui();
    std::string path = FullPath(p);
    if (p.zip) {
        // Checked again here: the dialog's check may be old by now.
        if (std::string refusal =
                ValidateNewZipName(p.currentDirectory, p.name, context.Drives(), &path);
            !refusal.empty()) {
            ui.Message(refusal, kMakeDirectoryCaption);
            return std::nullopt;
        }
    }
    CFileOperation op(context);
    std::string host;
    platform::SysError err;
    if (!platform::DosToHost(path, &host, &err, context.Drives())) {
        op.Error().Set(err);
        ui.Message(op.Error().Message(), kMakeDirectoryCaption);
        return std::nullopt;
    }
    if (!p.zip) {
        if (!platform::MakeDirectory(host, &err)) {
            op.Error().Set(err);
            ui.Message(op.Error().Message(), kMakeDirectoryCaption);
            return std::nullopt;
        }
        context.Notices().Notify({ui::ChangeKind::Added, path, "", true});
        return path;
    }
    // Making the zip file would replace a file of that name: it never does.
    struct stat st;
    if (::lstat(host.c_str(), &st) == 0) {
        platform::SetError(&err, EEXIST, "Cannot create", host);
        op.Error().Set(err);
        op.ReportError(
            kMakeDirectoryCaption, "Unable to create zip file '%s'!\n\n",
            platform::AbbreviatePath(path, zip::CZipFileOperation::kShortPathLength).c_str());
        return std::nullopt;
    }
    zip::CZipFileOperation zop(context);
    if (!zop.Create(path, true))
        return std::nullopt;
    context.Notices().Notify({ui::ChangeKind::Added, path, "", false});
    return path;
}

std::string CMakeDirectoryJob::DriveLetters() const {
    char letter = platform::PathDriveLetter(m_parameters.name);
    if (letter == 0 || m_parameters.name.size() < 2 || m_parameters.name[1] != ':')
        letter = platform::PathDriveLetter(m_parameters.currentDirectory);
    return ui::NormalizeDriveLetters(std::string(1, letter));
}

ui::JobResult CMakeDirectoryJob::Run(ui::OperationContext& context) {
    m_made = RunMakeDirectory(m_parameters, context);
    ui::JobResult result;
    result.ok = m_made.has_value();
    result.summary = m_made ? *m_made : "";
    return result;
}

} // namespace vorlane::fileops
