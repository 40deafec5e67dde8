// Launching: the one routine that Open, Edit and Run (and later the command
// line's editor command) end in, and the rules that make its request.
//
// A launch request is a command line (a program or document, then its
// arguments) with a show command, a working directory and the owner window
// to minimise while the program runs. The command line is split into words
// by the program's own rules (SplitCommandLine) and handed to the platform
// launcher as argv: no part of it ever reaches a shell. The first word is a
// file when one of that name exists (a runnable program starts, anything
// else goes to the desktop's opener), else a program looked up in $PATH.
// Words that are full DOS paths of a mapped drive ("C:\DOCS\A.TXT") are
// given to the program as host paths; other words pass as typed.
//
// The show command (1 normal, 2 minimised, 3 maximised) is kept in the
// request but not passed on: an X11 or Wayland program places its own
// windows, and nothing here can make it honour the choice.
//
// Messages go through the context's user interface. Called on the GUI
// thread (a launch only forks and execs; it never waits for the program).
#pragma once

#include "platform/DesktopApps.h"
#include "ui/OperationContext.h"

#include <string>
#include <vector>

namespace vorlane::fileops {

enum LaunchShow : int {
    kLaunchShowNormal = 1,
    kLaunchShowMinimized = 2,
    kLaunchShowMaximized = 3,
};

constexpr const char* kNoProgramText = "No program or document has been specified!";
constexpr const char* kNoAssociationFormat =
    "No program or association found for %s!\nError code = %d";
constexpr const char* kInternalEditorText =
    "The internal editor has not been implemented yet! Please select an external editor for "
    "editing.";

// The window a launch minimises while the program runs (the main frame).
class LaunchOwner {
  public:
    virtual ~LaunchOwner() = default;
    virtual void Minimize() = 0;
    virtual void Restore() = 0;
};

struct LaunchRequest {
    // As typed; split by SplitCommandLine unless argv is given.
    std::string commandLine;
    // The program or document and its arguments, already split (Edit
    // builds them, so a replaced file name stays one word).
    std::vector<std::string> argv;
    int showCommand = kLaunchShowNormal;
    // A DOS path or a host path; "" for none (the program's own).
    std::string workDirectory;
    LaunchOwner* owner = nullptr; // may be null
    bool minimizeOwner = false;   // "Minimize on Launch"
};

// Splits a command line into words as the C runtime of the program's
// original system does: blanks separate words outside double quotes;
// double quotes group (and are removed); inside quotes "" is one literal
// quote; 2n backslashes before a quote give n backslashes and the quote
// acts, 2n+1 give n backslashes and a literal quote; other backslashes are
// literal ("C:\DOCS" stays as it is). "notepad readme.txt" gives two words.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The word as SplitCommandLine reads it back: as it is when it holds no
// blank or quote (and is not empty), else in double quotes with its quotes
// and the backslashes before them escaped.
std::string QuoteCommandWord(const std::string& word);

// Launches the request. Empty (no words, or an empty first word): the
// message kNoProgramText, false. Otherwise the owner is minimised when
// minimizeOwner is set, the program or document is started, and on
// failure the owner is restored and kNoAssociationFormat is shown with the
// first word as given and the launcher's code (below 32); false.
bool Launch(const ui::OperationContext& context, const LaunchRequest& request);

// --- Edit -------------------------------------------------------------------

// The "Editor Settings" Edit reads.
struct EditorSettings {
    bool useInternalEditor = false;
    std::string commandLine = "notepad %file%";
    std::string workDirectory; // DOS or host path; "" none
};

// The file Edit works on (host paths): its name, its directory and its full
// path. Without a file, name and fullPath are empty and directory is the
// directory the window shows.
struct EditTarget {
    std::string name;
    std::string directory;
    std::string fullPath;
};

// The request Edit launches (owner and minimising left to the caller):
//   - the command line holds "%file%": with a work directory set, the
//     first "%file%" becomes the full path and the work directory is used;
//     without one it becomes the file's name and the file's directory is
//     the working directory;
//   - no "%file%": the command line unchanged, and an empty work directory
//     becomes the file's directory.
// A name beginning with "-" is given as its full path (never an option).
// Without a file a word that was only "%file%" is left out (an empty
// argument would name no file).
LaunchRequest MakeEditRequest(const EditorSettings& settings, const EditTarget& file);

// Said-once state of the editor fallback, kept by the front end for the
// program's run.
struct EditorFallbackState {
    bool told = false;
};

// Edit: the internal editor's message when it is chosen (false); else the
// request of MakeEditRequest, launched. When its program cannot be found
// (the default "notepad" on Linux) the fallback editor
// (platform::FallbackTextEditor over xdg) takes its place, keeping the
// arguments, and the user is told so once per state.
bool Edit(const ui::OperationContext& context, const EditorSettings& settings,
          const EditTarget& file, LaunchOwner* owner, bool minimizeOwner,
          EditorFallbackState& fallback, const platform::XdgDirectories& xdg);

// The message of the fallback: the editor not found and the one used.
std::string EditorFallbackText(const std::string& missing, const std::string& used,
                               const std::string& source);

} // namespace vorlane::fileops
