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

void SaveOpenPath(const std::string& name, const SettingsWriter& writer) {
    const std::string directory = DirectoryOf(name);
    if (writer)
        writer(kZipSettingsSection, kZipOpenPathKey, directory);
}

bool Exists(const std::string& dosPath, const platform::DriveMap& drives) {
    std::string host;
    platform::FileEntry entry;
    return platform::DosToHost(dosPath, &host, nullptr, drives) &&
           platform::StatEntry(host, &entry);
}

} // namespace

std::string NewArchiveName(const std::string& chosen) {
    std::string name = Upper(chosen);
    const size_t slash = name.rfind('\\');
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        name.erase(dot);
    return name + ".ZIP";
}

std::optional<std::string> PrepareNewArchive(const ui::OperationContext& context,
                                             const std::string& chosen,
                                             const SettingsWriter& writer) {
    const std::string upper = Upper(chosen);
    SaveOpenPath(upper, writer);
    const std::string archive = NewArchiveName(upper);
    if (!Exists(archive, context.Drives())) {
        zip::CZipFileOperation op(context);
        if (!op.Create(archive, true))
            return std::nullopt;
        context.Ui().CatalogueChanged(platform::PathDriveLetter(archive), archive);
    }
    return archive;
}

std::string PrepareOpenArchive(const std::string& chosen, const SettingsWriter& writer) {
    const std::string upper = Upper(chosen);
    SaveOpenPath(upper, writer);
    return upper;
}

} // namespace vorlane::fileops
