// A DOS path that may lead into a zip file: "C:\ARC.ZIP\SUB" names the
// directory SUB inside the zip file C:\ARC.ZIP, which lies on the disk as
// a regular file. Every driver that takes a path from the user splits it
// here, so there is one rule for where a zip file begins.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::fileops {

struct ZipPathParts {
    std::string zipFile; // DOS path of the zip file ("C:\ARC.ZIP")
    std::string inner;   // the path inside it, '\' between components; "" for its root
};

// True when dosPath is a zip file on the disk or a path inside one: the
// first leading part of the path (whole components) that has a zip file
// name (CZipFileDirectory::IsZipFileName) and is a regular file on the
// disk, links followed as a DOS path is. False for a plain path. parts may
// be null.
bool SplitZipPath(const std::string& dosPath, const platform::DriveMap& drives,
                  ZipPathParts* parts);

// One entry directly inside a directory of a zip file: a member, or a
// directory that has an entry of its own or only holds members deeper down.
struct ZipDirectoryEntry {
    std::string name; // as stored (UTF-8), without the directory's path
    bool directory = false;
    uint64_t size = 0; // uncompressed; 0 for a directory
    // The member's own stamp; a directory without an entry of its own takes
    // that of the first member below it.
    uint16_t dosDate = 0;
    uint16_t dosTime = 0;
};

// The entries directly inside the directory inner ('\' or '/' between
// components, "" for the root; letter case ignored) of the zip file at
// hostZip, each name once, in archive order. False when the zip file
// cannot be read.
bool ListZipDirectory(const std::string& hostZip, const std::string& inner,
                      std::vector<ZipDirectoryEntry>* entries);

} // namespace vorlane::fileops
