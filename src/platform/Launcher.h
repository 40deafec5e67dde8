// Launching documents and programs, in place of the Windows shell's
// ShellExecute. The shell module calls these; they never pass a name
// through a shell: a program gets every argument as its own word, and a
// document goes to the desktop's opener ("xdg-open", or the program named
// by $VORLANE_OPENER) as one absolute path.
//
// Results follow ShellExecute: 32 or more is success (kLaunchStarted),
// below 32 a failure code. Success means the program was started (its exec
// succeeded); nothing waits for it to finish. The program is started by a
// short-lived intermediate child that is reaped at once (a double fork), so
// the launched program is adopted by init and never becomes a zombie of
// ours, and no SIGCHLD handler is installed. The launched program runs in
// its own session with default signal handling and an empty signal mask.
#pragma once

#include "platform/SysError.h"

#include <string>
#include <vector>

namespace vorlane::platform {

constexpr int kLaunchStarted = 33;
constexpr int kLaunchFileNotFound = 2;   // the program or document is missing
constexpr int kLaunchPathNotFound = 3;   // a directory on its way, or the working directory
constexpr int kLaunchAccessDenied = 5;   // not executable, not readable, a directory
constexpr int kLaunchOutOfMemory = 8;    // no process could be made
constexpr int kLaunchBadFormat = 11;     // the file is not a program the host can run
constexpr int kLaunchNoAssociation = 31; // no opener, or the opener cannot run

// Opens a document (or a directory) with the desktop's opener. A relative
// path is taken relative to workDir (else the current directory); the
// opener gets the absolute path, so a name starting with "-" is never read
// as an option. workDir, when not empty, is the opener's directory.
int LaunchDocument(const std::string& hostPath, const std::string& workDir = "",
                   SysError* err = nullptr);

// Starts a program directly with args as its arguments (argv[0] is the
// program's path). A program named with a "/" is taken as a path (relative
// to workDir when one is given); a bare name is looked up in $PATH, then in
// workDir, as the Windows shell looks in the directory it was given.
// workDir, when not empty, becomes the program's current directory.
int LaunchProgram(const std::string& hostProgram, const std::vector<std::string>& args,
                  const std::string& workDir = "", SysError* err = nullptr);

// Opens a file as the Windows shell would: an executable file that the host
// can run (an ELF binary or a "#!" script with execute permission) is
// started with args; anything else is a document for the opener (args are
// not passed to it).
int LaunchFile(const std::string& hostFile, const std::vector<std::string>& args,
               const std::string& workDir = "", SysError* err = nullptr);

// A file name to pass as a program argument: a name starting with "-" is
// made absolute (against workDir, else the current directory) so the
// program cannot take it for an option; other names are returned as given.
std::string FileArgument(const std::string& hostName, const std::string& workDir = "");

// The path of a program by its name as LaunchProgram finds it (a name with
// "/" is a path, relative ones against workDir; a bare name is looked up in
// $PATH, then in workDir); with searchPath (directories separated by ':')
// not empty, the bare name is looked up there instead of in $PATH. "" when
// there is none we may run.
std::string FindProgramPath(const std::string& hostProgram, const std::string& workDir = "",
                            const std::string& searchPath = "");

// How a program run to its end went.
struct ProgramRun {
    int exitCode = -1;  // its exit status; -1 when a signal ended it
    std::string output; // what it wrote to stdout and stderr, in order (the first 64 KiB)
};

// Runs a program (a path, or a name looked up as FindProgramPath does) with
// args as its arguments, stdin from /dev/null, and waits for it to end,
// collecting its output. Unlike the launches above the program is our own
// child until it ends. False when it could not be started (err says why);
// true once it ran, whatever its exit status.
bool RunProgram(const std::string& hostProgram, const std::vector<std::string>& args,
                ProgramRun* run, const std::string& searchPath = "", SysError* err = nullptr);

} // namespace vorlane::platform
