// Where the program keeps its files on the host. Any module may call these.
//
// WindowsDirectory(): home of VORLANE.INI and VORLN32.DAT: $VORLANE_HOME
// when set, else $XDG_CONFIG_HOME/vorlane, else $HOME/.config/vorlane; made
// with its missing parents, mode 0700, on first use when it does not exist.
// A relative $VORLANE_HOME is taken from the working directory (a set
// variable never sends the program's files to the user's real home); an
// empty one counts as unset, and so do XDG_CONFIG_HOME and HOME when they
// do not hold an absolute path. When the directory cannot be made (or a
// relative $VORLANE_HOME cannot be placed), err says why and the path is
// still returned, so a later save reports the failure with the path instead
// of writing elsewhere.
// TempDirectory(): $TMPDIR when absolute, else /tmp. ProgramDirectory():
// the directory of the running executable (help pages, the self-extractor
// stub), "" when /proc/self/exe cannot be read. CurrentDirectory(): the
// working directory, "" when it cannot be read (removed, or too long).
// All return host paths without a trailing slash.
#pragma once

#include "platform/SysError.h"

#include <string>

namespace vorlane::platform {

std::string WindowsDirectory(SysError* err = nullptr);
std::string TempDirectory();
std::string ProgramDirectory();
std::string ExecutablePath();
std::string CurrentDirectory();

// Joins a directory and a name with exactly one '/' ("/" + "a" is "/a"; an
// empty directory gives the name, an empty name the directory).
std::string JoinHostPath(const std::string& dir, const std::string& name);

} // namespace vorlane::platform
