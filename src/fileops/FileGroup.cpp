#include "fileops/private/FileGroup.h"

#include "fileops/DosZipPath.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Wildcard.h"
#include "ui/UserInterface.h"

#include <algorithm>

namespace vorlane::fileops {

std::string DirectoryDriveLetters(const std::string& dosDirectory) {
    return ui::NormalizeDriveLetters(std::string(1, platform::PathDriveLetter(dosDirectory)));
}

ui::JobResult DriverResult(uint64_t failed, bool cancelled, uint64_t count, const char* what) {
    ui::JobResult result;
    result.ok = failed == 0;
    result.cancelled = cancelled;
    result.summary = std::to_string(count) + " " + what;
    return result;
}

bool PlainRunDirectory(const ui::OperationContext& context, const std::string& directory,
                       const char* zipRefusal, std::string* dosDirectory,
                       std::string* hostDirectory) {
    *dosDirectory = platform::NormalizeDosPath(directory);
    if (SplitZipPath(*dosDirectory, context.Drives(), nullptr)) {
        context.Ui().Message(zipRefusal);
        return false;
    }
    platform::SysError err;
    if (!platform::DosToHost(*dosDirectory, hostDirectory, &err, context.Drives())) {
        context.Ui().Message("'" + *dosDirectory + "' is not a valid path!");
        return false;
    }
    return true;
}

std::vector<std::string> FilesMatching(const std::string& hostDir, const std::string& pattern,
                                       const std::string& leaveOut) {
    std::vector<std::string> names;
    const bool all = pattern == "*.*";
    platform::Wildcard matcher(pattern);
    platform::ListDirectory(
        hostDir, platform::ListDetail::Kinds, [&](const platform::ListedEntry& e) {
            if (e.isDirectory && !e.isSymlink)
                return true;
            std::string name = platform::HostNameToDos(std::string(e.name));
            if (!leaveOut.empty() && platform::CompareNoCase(name, leaveOut) == 0)
                return true;
            std::string upper = name;
            for (char& c : upper)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            if (all || matcher.Match(upper))
                names.push_back(std::move(name));
            return true;
        });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::CompareNames(a, b) < 0;
    });
    return names;
}

} // namespace vorlane::fileops
