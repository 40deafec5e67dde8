// Where the program keeps its files on the host. Any module may call these.
//
// WindowsDirectory(): home of VORLANE.INI and VORLN32.DAT: $VORLANE_HOME
// when set, else $XDG_CONFIG_HOME/vorlane, else $HOME/.config/vorlane
// (variables that do not hold an absolute path count as unset); made with
// its missing parents, mode 0700, on first use when it does not exist. When
// it cannot be made, err says why and the path is still returned, so a later
// save reports the failure with the path instead of writing elsewhere.
// TempDirectory(): $TMPDIR when absolute, else /tmp. ProgramDirectory():
// the directory of the running executable (help pages, the self-extractor
// stub), "" when /proc/self/exe cannot be read.
// All return host paths without a trailing slash.
#pragma once

#include "platform/SysError.h"

#include <string>

namespace vorlane::platform {

std::string WindowsDirectory(SysError* err = nullptr);
std::string TempDirectory();
std::string ProgramDirectory();
std::string ExecutablePath();

// Joins a directory and a name with exactly one '/' ("/" + "a" is "/a"; an
// empty directory gives the name, an empty name the directory).
std::string JoinHostPath(const std::string& dir, const std::string& name);

} // namespace vorlane::platform
