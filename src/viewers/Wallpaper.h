// Apply as wallpaper: the picture, fitted to the desktop by the fit rule,
// saved as a BMP in the program's home ("Windows directory":
// DESKTOP$.BMP, then renamed over LIFSAVER.BMP, so the wallpaper file is
// always whole), and handed to the desktop by its own means:
//   GNOME (and desktops built on it): gsettings set
//     org.gnome.desktop.background picture-uri and picture-uri-dark;
//   KDE Plasma: qdbus org.kde.plasmashell /PlasmaShell
//     org.kde.PlasmaShell.evaluateScript with a script setting every
//     desktop's image;
//   any other desktop: a clear refusal, before anything is asked or written.
// Programs run with their arguments as words (no shell), found through
// the search path the caller gives ($PATH normally).
//
// Runs on the GUI thread (it asks the question); the picture work is short.
#pragma once

#include "ui/UserInterface.h"

#include <string>
#include <vector>

namespace vorlane::viewers {

enum class Desktop { Gnome, Kde, Other };

// The desktop of an $XDG_CURRENT_DESKTOP value ("ubuntu:GNOME", "KDE", ...).
Desktop DesktopOf(const std::string& xdgCurrentDesktop);

struct WallpaperRequest {
    std::string picture;     // host path of the picture
    std::string shownName;   // the name in the question
    std::string home;        // the program's home (where LIFSAVER.BMP goes)
    int desktopWidth = 1920; // the desktop's size in pixels
    int desktopHeight = 1080;
    Desktop desktop = Desktop::Other;
    std::string searchPath; // where gsettings and qdbus are looked up; "" = $PATH
};

constexpr const char* kWallpaperFile = "LIFSAVER.BMP";
constexpr const char* kWallpaperTempFile = "DESKTOP$.BMP";

// Asks, makes the file and sets it; true when the desktop took it.
bool ApplyWallpaper(ui::UserInterface& ui, const WallpaperRequest& request);

// The programs and arguments that set file as the wallpaper of desktop
// (none for Other).
std::vector<std::vector<std::string>> WallpaperCommands(Desktop desktop, const std::string& file);

} // namespace vorlane::viewers
