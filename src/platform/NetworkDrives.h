// Network locations for Map Network Drive: a location such as
// "smb://server/share" or "sftp://host/path" is mounted through the
// desktop's virtual file system ("gio mount", argv only) and reached
// through the local directory gvfs gives it ($XDG_RUNTIME_DIR/gvfs/...).
//
// "gio" is looked up in $PATH (tests put a recording script there). Its
// standard input is /dev/null: a location that needs a password the
// desktop's keyring does not hold fails with gio's own words instead of
// waiting for an answer on a terminal nobody sees.
//
// Safe to call from any thread; each call waits for gio.
#pragma once

#include "platform/SysError.h"

#include <string>

namespace vorlane::platform {

// "smb://", "sftp://", "ftp://", "dav://" or "davs://" followed by a host.
bool IsNetworkLocation(const std::string& text);

struct NetworkMount {
    std::string localPath;    // the host directory the location is reached through
    bool mountedByUs = false; // false when it was mounted already
};

// Mounts location (unless it is mounted already) and finds its local
// directory. False with a text for the user when gio is missing, the
// mount fails (gio's words) or gio gives no local directory for it (then
// a mount made here is undone).
bool MountNetworkLocation(const std::string& location, NetworkMount* mount,
                          SysError* err = nullptr);
// "gio mount -u location". Only for a location this program mounted.
bool UnmountNetworkLocation(const std::string& location, SysError* err = nullptr);

// The local directory in what "gio info" printed: its "local path:" line,
// else a "file://" "standard::target-uri:" (percent escapes decoded); "".
std::string LocalPathFromGioInfo(const std::string& output);

} // namespace vorlane::platform
