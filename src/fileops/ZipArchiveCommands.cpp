#include "fileops/ZipArchiveCommands.h"

#include "fileops/CFileWildcardRename.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "ui/ChangeNotices.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The directory part of a chosen name: up to its last '\' (a root keeps
// its backslash).
std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return "";
    return slash == 2 && path.size() > 1 && path[1] == ':' ? path.substr(0, 3)
                                                           : path.substr(0, slash);
}

bool Exists(const std::string& dosPath, const platform::DriveMap& drives) {
    std::string host;
    platform::FileEntry entry;
    return platform::DosToHost(dosPath, &host, nullptr, drives) &&
           platform::StatEntry(host, &entry);
}

// The DOS path of an existing file spelt as the disk has it (names are
// looked up without regard to case); the path itself when that fails.
std::string AsOnDisk(const std::string& dosPath, const platform::DriveMap& drives) {
    std::string host;
    std::string dos;
    if (platform::DosToHost(dosPath, &host, nullptr, drives) &&
        platform::HostToDos(host, &dos, nullptr, drives))
        return dos;
    return dosPath;
}

} // namespace

void SaveZipOpenPath(const std::string& chosen, const SettingsWriter& writer) {
    if (writer)
        writer(kZipSettingsSection, kZipOpenPathKey, DirectoryOf(chosen));
}

std::string NewArchiveName(const std::string& chosen) {
    std::string name = chosen;
    const size_t slash = name.rfind('\\');
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        // An extension typed as "zip" in any case stays as it was typed.
        if (Upper(name.substr(dot)) == ".ZIP")
            return name;
        name.erase(dot);
    }
    return name + ".zip";
}

std::optional<std::string> PrepareNewArchive(const ui::OperationContext& context,
                                             const std::string& chosen,
                                             const SettingsWriter& writer) {
    // The name keeps the case the user typed: on a case-sensitive disk an
    // upper-cased name is another file than the one asked for.
    SaveZipOpenPath(chosen, writer);
    const std::string archive = NewArchiveName(chosen);
    const bool existed = Exists(archive, context.Drives());
    if (!existed) {
        zip::CZipFileOperation op(context);
        if (!op.Create(archive, true))
            return std::nullopt;
    }
    const std::string made = AsOnDisk(archive, context.Drives());
    if (!existed)
        context.Ui().CatalogueChanged(platform::PathDriveLetter(made), made);
    return made;
}

std::string PrepareOpenArchive(const std::string& chosen, const SettingsWriter& writer) {
    const std::string upper = Upper(chosen);
    SaveZipOpenPath(upper, writer);
    return upper;
}

bool IsZipDirectoryName(const std::string& name) {
    const size_t dot = name.find('.');
    return dot != std::string::npos && Upper(name.substr(dot)) == ".ZIP";
}

std::string ValidateNewZipName(const std::string& directory, const std::string& name,
                               const platform::DriveMap& drives, std::string* fullPath) {
    if (name.find_first_not_of(' ') == std::string::npos)
        return "A name must be specified!";
    // A relative or full path may lead to the name: the rules are the name's.
    const size_t slash = name.rfind('\\');
    std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
    if (!FileSpecificationValid(leaf))
        return InvalidSpecificationText(name);
    if (leaf.find_first_of("*?") != std::string::npos)
        return "Name cannot have wildcards in it!";
    std::string typed = name;
    if (leaf.find('.') == std::string::npos)
        typed += ".ZIP";
    else if (!IsZipDirectoryName(leaf))
        return "Zip file must have an extension of '.ZIP'.";
    const bool full = typed.size() >= 2 && typed[1] == ':' && platform::PathDriveLetter(typed) != 0;
    const std::string path =
        platform::NormalizeDosPath(full ? typed : platform::JoinDosPath(directory, typed));
    std::string host;
    struct stat st;
    if (platform::DosToHost(path, &host, nullptr, drives) && ::lstat(host.c_str(), &st) == 0)
        return "'" + path + "' already exists!";
    if (fullPath)
        *fullPath = path;
    return "";
}

std::optional<std::string> ReadZipComment(const ui::OperationContext& context,
                                          const std::string& zipPath) {
    zip::CZipFileOperation op(context);
    std::string comment;
    if (op.Open(zipPath) != zip::kOpened || !op.ReadComment(&comment)) {
        // Opening and reading set the unzip result: its text says why.
        op.ReportUnzipError("Unable to open zip file '%s'.\n\n", zipPath.c_str());
        return std::nullopt;
    }
    return comment;
}

bool WriteZipComment(const ui::OperationContext& context, const std::string& zipPath,
                     const std::string& comment) {
    zip::CZipFileOperation op(context, nullptr, context.Options().zipTempPath);
    if (op.Open(zipPath) != zip::kOpened || !op.WriteComment(comment)) {
        op.ReportZipError("Unable to save comment for zip file '%s'.\n\n", zipPath.c_str());
        return false;
    }
    context.Notices().Notify({ui::ChangeKind::Changed, zipPath, "", false});
    return true;
}

std::string CZipCommentJob::DriveLetters() const {
    return ui::NormalizeDriveLetters(std::string(1, platform::PathDriveLetter(m_zipPath)));
}

ui::JobResult CZipCommentJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    result.ok = WriteZipComment(context, m_zipPath, m_comment);
    result.summary = result.ok ? "comment saved" : "comment not saved";
    return result;
}

} // namespace vorlane::fileops
