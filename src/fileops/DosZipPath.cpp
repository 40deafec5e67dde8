#include "fileops/DosZipPath.h"

#include "catalogue/CZipFileDirectory.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"

#include <sys/stat.h>

namespace vorlane::fileops {

bool SplitZipPath(const std::string& dosPath, const platform::DriveMap& drives,
                  ZipPathParts* parts) {
    const std::string path = platform::NormalizeDosPath(dosPath);
    if (platform::PathDriveLetter(path) == 0 || path.size() < 4 || path[2] != '\\')
        return false;
    // Each leading part in turn, from the first component on.
    for (size_t end = 3; end <= path.size(); ++end) {
        if (end != path.size() && path[end] != '\\')
            continue;
        const std::string prefix = path.substr(0, end);
        if (!catalogue::CZipFileDirectory::IsZipFileName(platform::LastComponent(prefix)))
            continue;
        std::string host;
        struct stat st;
        if (!platform::DosToHost(prefix, &host, nullptr, drives) || ::stat(host.c_str(), &st) != 0)
            return false; // nothing deeper exists either
        if (S_ISREG(st.st_mode)) {
            if (parts == nullptr)
                return true;
            parts->zipFile = prefix;
            parts->inner = end < path.size() ? path.substr(end + 1) : "";
            return true;
        }
    }
    return false;
}

} // namespace vorlane::fileops
