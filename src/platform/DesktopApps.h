// The desktop's applications and their file types, as the freedesktop.org
// desktop entry and MIME applications rules describe them: the ".desktop"
// files of the "applications" directory of $XDG_DATA_HOME and of each
// directory of $XDG_DATA_DIRS, and the "mimeapps.list" files of
// $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS and those applications directories.
//
// Used by Open With (the applications of a file's type, the default one,
// setting another default through "xdg-mime") and by the editor fallback of
// Edit (the default handler of text/plain). Nothing here goes through a
// shell: an application's Exec line is split by the desktop entry's own
// quoting rules into argv words.
//
// Read fresh on every call (a handful of small files); no cache, so a
// changed default shows at once. Safe from any thread.
#pragma once

#include "platform/SysError.h"

#include <string>
#include <vector>

namespace vorlane::platform {

// Where the rules look, first place first. FromEnvironment() reads the XDG
// variables with their documented defaults.
struct XdgDirectories {
    std::vector<std::string> dataDirs;   // $XDG_DATA_HOME, then $XDG_DATA_DIRS
    std::vector<std::string> configDirs; // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    static XdgDirectories FromEnvironment();
};

// One application that can open files.
struct DesktopApp {
    std::string id;       // "org.gnome.gedit.desktop" (subdirectories joined with '-')
    std::string name;     // Name (the user's language is not looked for)
    std::string exec;     // the Exec line, unescaped at the key level
    std::string filePath; // the .desktop file read
    std::vector<std::string> mimeTypes;
};

// The MIME type of a file by its name and, when the name says nothing, its
// first bytes ("application/octet-stream" when nothing matches), with the
// types it is a kind of, most specific first ("text/x-csrc", "text/plain",
// "application/octet-stream"), aliases resolved.
std::vector<std::string> MimeTypeChain(const std::string& hostPath);

// Reads one desktop entry; false when it is not an application that may be
// shown (Hidden, NoDisplay is kept: Open With lists such helpers too), has
// no Exec, or cannot be read.
bool ReadDesktopApp(const std::string& filePath, const std::string& id, DesktopApp* app);

// The applications for a MIME type: its default first, then the added
// associations of mimeapps.list, then every desktop entry listing the type
// in MimeType (in directory order, then by id), each once; removed
// associations are left out.
std::vector<DesktopApp> ApplicationsForType(const std::string& mimeType,
                                            const XdgDirectories& dirs);
// The same over a type chain (MimeTypeChain): the applications of the most
// specific type first.
std::vector<DesktopApp> ApplicationsForTypes(const std::vector<std::string>& types,
                                             const XdgDirectories& dirs);

// The id of the default application of a MIME type: the first "Default
// Applications" entry of the mimeapps.list files naming an installed
// application, "" when none names one.
std::string DefaultApplicationId(const std::string& mimeType, const XdgDirectories& dirs);
// The installed application of that id (false when there is none).
bool FindApplication(const std::string& id, const XdgDirectories& dirs, DesktopApp* app);

// Splits an Exec line into words by the desktop entry rules: blanks
// separate words, double quotes group them, and inside quotes a backslash
// keeps the next of " ` $ \ literally. False on an unterminated quote.
bool SplitExecLine(const std::string& exec, std::vector<std::string>* words);
// The argv that opens one file with an application: the Exec words with
// %f %F %u %U replaced by the file (each word holding one of them gives one
// argument), "%%" kept as "%", every other field code dropped. An Exec line
// without a file code gets the file appended, as the desktop's own
// launchers do. Empty when the line cannot be split.
std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file);
// The Exec words with every field code removed (a word that was only a
// field code is dropped): the program and its fixed options.
std::vector<std::string> ExecProgramWords(const std::string& exec);

// The editor to fall back on when the configured one cannot be found: the
// words of $VISUAL (split at blanks, double quotes grouping), else the
// program words of the default text/plain application. source says which
// ("$VISUAL" or the application's id). Empty when there is neither.
std::vector<std::string> FallbackTextEditor(const XdgDirectories& dirs, std::string* source);

} // namespace vorlane::platform
