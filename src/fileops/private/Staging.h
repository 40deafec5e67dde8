// A directory made for one piece of zip work (the members of a zip copy on
// their way, the contents of an archive being recompressed) and removed
// with everything in it, links never followed, when the work is done.
//
// It is made exclusively (mkdtemp) under the zip work path, else the
// system temporary directory, else the directory of the archive it serves,
// whichever is first reachable as a DOS path of the drive map.
#pragma once

#include "fileops/CFileOperation.h"
#include "ui/OperationContext.h"

#include <string>

namespace vorlane::fileops {

class Staging {
  public:
    Staging() = default;
    ~Staging() { Remove(); }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    // Removes the directory it holds (if any) and makes a new one named
    // "<prefix>XXXXXX". nearZip: the archive whose folder is the last resort.
    bool Make(const ui::OperationContext& context, const std::string& nearZip,
              const char* prefix = ".vorlane-copy-");
    // Removes the directory and everything in it (nothing when there is none).
    void Remove();
    bool Made() const { return !path.host.empty(); }

    ResolvedPath path;
};

} // namespace vorlane::fileops
