// Open files and whole-file writes through the platform layer: every open,
// read, write, fsync, rename and truncate passes the fault-injection seam,
// so callers can test disk-full and permission failures.
//
// File is a move-only owner of one descriptor (O_CLOEXEC always). Temporary
// files are created exclusively (O_EXCL | O_NOFOLLOW), never through a link.
#pragma once

#include "platform/SysError.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane::platform {

// Replaces hostPath with data atomically: a temporary file beside it
// (created exclusively), written, fsynced, renamed over the target, and the
// directory fsynced. On failure the old file is untouched and the
// temporary file is gone. A new file gets mode 0644 less the umask; an
// existing file keeps its mode.
bool WriteFileAtomically(const std::string& hostPath, std::string_view data,
                         SysError* err = nullptr);

// Reads a whole file into *data.
bool ReadWholeFile(const std::string& hostPath, std::string* data, SysError* err = nullptr);

} // namespace vorlane::platform
