// A DOS path that may lead into a zip file: "C:\ARC.ZIP\SUB" names the
// directory SUB inside the zip file C:\ARC.ZIP, which lies on the disk as
// a regular file. Every driver that takes a path from the user splits it
// here, so there is one rule for where a zip file begins.
#pragma once

#include <string>

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

} // namespace vorlane::fileops
