#include "fileops/ZipArchiveCommands.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

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

} // namespace vorlane::fileops
