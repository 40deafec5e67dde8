// The recycle bin: the freedesktop.org Trash that desktop file managers
// share. The file operation engine's Recycle primitive calls MoveToTrash;
// nothing else writes into a trash.
//
// Where an item goes: to the home trash ($XDG_DATA_HOME/Trash, else
// ~/.local/share/Trash) when it lies on the same mount as the home trash;
// otherwise to the trash at the top directory of its mount:
// $topdir/.Trash/$uid when $topdir/.Trash is a real directory (not a link)
// with the sticky bit, else $topdir/.Trash-$uid (made with mode 0700). Items
// are never copied across file systems: when the home trash cannot take an
// item by a rename (a bind mount), the top directory's trash does.
//
// How: info/<name>.trashinfo is created first and exclusively, holding
// "[Trash Info]", Path= (percent-encoded; absolute for the home trash,
// relative to the top directory for a top-directory trash) and
// DeletionDate= (local time, YYYY-MM-DDThh:mm:ss); then the item is renamed
// to files/<name> without replacing anything there. A name already in use
// gets a number: "report.txt" -> "report.2.txt", "report.3.txt", ...; a
// directory or a name without an extension "name" -> "name.2". A name too
// long for the info file's name is shortened (extension kept). When the
// rename fails, the info file is removed again. Directories are trashed
// whole; a symbolic link is trashed as the link.
#pragma once

#include "platform/SysError.h"

#include <ctime>
#include <functional>
#include <string>

namespace vorlane::platform {

struct TrashOptions {
    // The home trash directory; "" = HomeTrashDirectory().
    std::string homeTrash;
    // Top directory of the mount holding an existing absolute directory
    // (symbolic links resolved). Null = MountTopDirectory. Tests use it to
    // make a temporary directory play the top of another mount.
    std::function<std::string(const std::string& dir)> topDirOf;
    // The clock for DeletionDate. Null = the system clock.
    std::function<std::time_t()> now;
};

// Where an item went.
struct TrashedItem {
    std::string trashDir;  // the trash directory (holds files/ and info/)
    std::string trashName; // the item's name under files/
    std::string filesPath; // trashDir + "/files/" + trashName
    std::string infoPath;  // trashDir + "/info/" + trashName + ".trashinfo"
    bool inHomeTrash = false;
};

// Moves a file, link or directory (given as a host path) to the trash.
bool MoveToTrash(const std::string& hostPath, SysError* err = nullptr);
bool MoveToTrash(const std::string& hostPath, const TrashOptions& options, TrashedItem* item,
                 SysError* err = nullptr);

// $XDG_DATA_HOME/Trash when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/Trash.
std::string HomeTrashDirectory();

// The top directory of the mount that holds the existing directory dir: the
// highest ancestor still on the same mount.
std::string MountTopDirectory(const std::string& dir);

// A path as the Path= key holds it: every byte other than ASCII letters,
// digits, "-", "_", ".", "~" and "/" becomes "%" and two upper-case hex digits.
std::string TrashPercentEncode(const std::string& path);

} // namespace vorlane::platform
