// Where the program keeps its files on the host.
//
// WindowsDirectory(): home of VORLANE.INI and VORLN32.DAT: $VORLANE_HOME
// when set, else $XDG_CONFIG_HOME/vorlane, else $HOME/.config/vorlane; made
// (with its parents) on first use when it does not exist.
// TempDirectory(): $TMPDIR, else /tmp. ProgramDirectory(): the directory of
// the running executable (help pages, the self-extractor stub).
// All return host paths without a trailing slash.
#pragma once

#include "platform/SysError.h"

#include <string>

namespace vorlane::platform {

std::string WindowsDirectory(SysError* err = nullptr);
std::string TempDirectory();
std::string ProgramDirectory();
std::string ExecutablePath();

// Joins a directory and a name with exactly one '/'.
std::string JoinHostPath(const std::string& dir, const std::string& name);

} // namespace vorlane::platform
