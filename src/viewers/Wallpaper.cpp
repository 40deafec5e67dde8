#include "viewers/Wallpaper.h"

#include "platform/Launcher.h"
#include "ui/MessageText.h"
#include "viewers/CImage.h"
#include "viewers/FitToBox.h"
#include "viewers/ImageFormats.h"

#include <cctype>
#include <cstdio>

namespace vorlane::viewers {

namespace {

constexpr const char* kCaption = "Apply Wallpaper";

std::string FileUri(const std::string& path) {
    // Percent-encode everything but the unreserved characters and '/'.
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri;
}

// A JavaScript string literal of text.
std::string ScriptString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

Desktop DesktopOf(const std::string& xdgCurrentDesktop) {
    // A list separated by ':'; the first known name counts.
    size_t start = 0;
    while (start <= xdgCurrentDesktop.size()) {
        size_t end = xdgCurrentDesktop.find(':', start);
        if (end == std::string::npos)
            end = xdgCurrentDesktop.size();
        const std::string name = xdgCurrentDesktop.substr(start, end - start);
        if (name == "GNOME" || name == "GNOME-Classic" || name == "Unity" || name == "Budgie" ||
            name == "Pantheon")
            return Desktop::Gnome;
        if (name == "KDE")
            return Desktop::Kde;
        start = end + 1;
    }
    return Desktop::Other;
}

std::vector<std::vector<std::string>> WallpaperCommands(Desktop desktop, const std::string& file) {
    const std::string uri = FileUri(file);
    switch (desktop) {
    case Desktop::Gnome:
        return {{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri},
                {"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}};
    case Desktop::Kde: {
        const std::string script =
            "var all = desktops(); for (var i = 0; i < all.length; i++) { var d = all[i]; "
            "d.wallpaperPlugin = \"org.kde.image\"; d.currentConfigGroup = "
            "Array(\"Wallpaper\", \"org.kde.image\", \"General\"); d.writeConfig(\"Image\", " +
            ScriptString(uri) + "); }";
        return {{"qdbus", "org.kde.plasmashell", "/PlasmaShell",
                 "org.kde.PlasmaShell.evaluateScript", script}};
    }
    case Desktop::Other:
        break;
    }
    return {};
}

bool ApplyWallpaper(ui::UserInterface& ui, const WallpaperRequest& request) {
    if (request.desktop == Desktop::Other) {
        ui.Message("Vorlane can set the wallpaper of GNOME and KDE Plasma desktops only; the "
                   "wallpaper of this desktop was not changed.",
                   kCaption, ui::Buttons::Ok, ui::Icon::Information);
        return false;
    }
    if (!ui.AskYesNo(ui::FormatText("Would you like to apply '%s' as your desktop wallpaper?",
                                    request.shownName.c_str()),
                     kCaption))
        return false;
    const auto imageError = [&](const std::string& text) {
        ui.Message(text, "Image Error", ui::Buttons::Ok, ui::Icon::Error);
        return false;
    };
    CImage image;
    if (!image.LoadFile(request.picture))
        return imageError(image.ErrorText());
    const ImageSize fit = FitToBoxAtLeastOne(request.desktopWidth, request.desktopHeight,
                                             image.Width(), image.Height());
    if ((fit.width != image.Width() || fit.height != image.Height()) &&
        !image.Resize(fit.width, fit.height))
        return imageError(image.ErrorText());
    const std::string temp = request.home + "/" + kWallpaperTempFile;
    const std::string file = request.home + "/" + kWallpaperFile;
    if (!image.Save(temp, kFormatBmp, 24)) {
        std::remove(temp.c_str());
        return imageError(image.ErrorText());
    }
    // One rename: the wallpaper file is the old one or the new one, whole.
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        std::remove(temp.c_str());
        return imageError(ui::FormatText("Unable to save '%s'.", file.c_str()));
    }
    const auto commands = WallpaperCommands(request.desktop, file);
    for (size_t i = 0; i < commands.size(); ++i) {
        const std::vector<std::string>& command = commands[i];
        platform::ProgramRun run;
        platform::SysError err;
        const std::vector<std::string> args(command.begin() + 1, command.end());
        const bool ran = platform::RunProgram(command[0], args, &run, request.searchPath, &err);
        // GNOME before 42 has no dark key: only the first setting must work.
        const bool optional = request.desktop == Desktop::Gnome && i > 0;
        if (!optional && (!ran || run.exitCode != 0)) {
            ui.Message(ui::FormatText("The desktop did not take the wallpaper: '%s' failed.\n\n",
                                      command[0].c_str()) +
                           (run.output.empty() ? err.message : run.output),
                       kCaption, ui::Buttons::Ok, ui::Icon::Error);
            return false;
        }
    }
    return true;
}

} // namespace vorlane::viewers
