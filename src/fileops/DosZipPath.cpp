#include "fileops/DosZipPath.h"

#include "catalogue/CZipFileDirectory.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "zip/ZipCentralDirectory.h"
#include "zip/ZipEngine.h"

#include <algorithm>
#include <unordered_map>

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

bool ListZipDirectory(const std::string& hostZip, const std::string& inner,
                      std::vector<ZipDirectoryEntry>* entries) {
    entries->clear();
    zip::ZipArchiveIndex index;
    if (zip::ReadZipIndexFile(hostZip, &index) != zip::kUnzipOk)
        return false;
    std::string prefix = inner;
    std::replace(prefix.begin(), prefix.end(), '\\', '/');
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    // Each name once (case twins are two entries, as on the disk), found
    // by a lookup: an archive of many thousand members is listed in one pass.
    std::unordered_map<std::string, size_t> seen;
    for (const zip::ZipMemberInfo& m : index.members) {
        if (m.name.size() <= prefix.size() ||
            platform::CompareNoCase(m.name.substr(0, prefix.size()), prefix) != 0)
            continue;
        std::string name = m.name.substr(prefix.size());
        const size_t slash = name.find('/');
        const bool below = slash != std::string::npos && slash + 1 < name.size();
        const bool directory = m.isDirectory || slash != std::string::npos;
        if (slash != std::string::npos)
            name.erase(slash);
        if (name.empty())
            continue;
        auto [it, added] = seen.emplace(name, entries->size());
        if (added) {
            entries->push_back({std::move(name), directory, directory ? 0 : m.uncompressedSize,
                                m.dosDate, m.dosTime});
        } else if (!below && directory) {
            // The directory's own entry after members below it: its stamp.
            ZipDirectoryEntry& entry = (*entries)[it->second];
            entry.dosDate = m.dosDate;
            entry.dosTime = m.dosTime;
        }
    }
    return true;
}

} // namespace vorlane::fileops
