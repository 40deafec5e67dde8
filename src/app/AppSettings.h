// AppSettings: the settings the application object keeps in its fields,
// read from VORLANE.INI (and the user parameters of the object database) at
// start and written back at save. Every module reads them through
// VorlaneApp::Settings().
//
// ReadAppSettings and WriteAppSettings hold the exact load and save rules:
// sections "Advanced Settings", "Drive Settings" ("Drives"), "Editor
// Settings", "Path Settings", "Startup Settings" ("Initial Mode"), "Viewer
// Settings", "Window Settings", and the user parameters "Thumbnail
// Settings" and the six fonts. The habitabs, the frame's "General" keys and
// the saved windows have their own readers and writers; VorlaneApp puts the
// pieces together.
//
// The General Settings pages' checks are pure functions here so the
// dialog (and the console) can call them.
#pragma once

#include "app/LogFont.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::platform {
class DriveMap;
class ProfileFile;
} // namespace vorlane::platform

namespace vorlane::app {

class IUserParameterStore;

// Start-up actions ("Initial Mode").
enum InitialMode : int {
    kModeNothing = 101,
    kModeLogDriveDialog = 102,
    kModeLogCurrentDrive = 103,
    kModeNewArchive = 104,
    kModeOpenArchive = 105,
    kModeReopenWindows = 106,
};

struct AppSettings {
    // "Advanced Settings"
    bool fileLaunch = true;            // "File Launch"
    bool minimizeOnLaunch = false;     // "Minimize on Launch"
    bool saveSettingsOnExit = true;    // "Save Settings on Exit"
    bool useTempDirForLaunch = true;   // "Use Temp Dir For Launch"
    bool fourDosDescriptions = false;  // "4DOS Descriptions"
    bool automaticDragAndDrop = false; // "Automatic Drag-and-Drop Operations"
    bool preserveTags = true;          // "Preserve Tags"
    bool exitWithoutPrompting = true;  // "Exit Without Prompting"

    // "Drive Settings": position n (0 = A) holds the lower-case letter when
    // that drive is shown, '.' when hidden. Always 26 characters.
    std::string shownDrives = std::string(26, '.'); // "Drives"

    // "Editor Settings"
    bool useInternalEditor = true;                    // "Use Internal Editor"
    bool useExternalEditor = false;                   // "Use External Editor"
    std::string editorCommandLine = "notepad %file%"; // "Command Line"
    std::string editorWorkDirectory;                  // "Work Directory"

    // "Path Settings": a host directory or a DOS path.
    std::string zipTempPath; // "Zip Temp Path"; default the temporary directory

    // "Startup Settings"
    int initialMode = kModeNothing; // "Initial Mode", 101 to 106

    // User parameter "Thumbnail Settings"
    int32_t thumbnailWidth = 48;
    int32_t thumbnailHeight = 36;
    std::vector<int32_t> thumbnailTypes{75, 6}; // image format codes to scan

    // "Viewer Settings"
    bool viewFilesInZipFiles = true; // "View Files In Zip Files"
    bool viewJpegFiles = false;      // "View JPEG Files"
    int maxZipViewSizeKb = 24;       // "Max Size Of File In Zip File To View", kilobytes

    // "Window Settings"
    bool autoTile = false; // "AutoTile"

    // The six list fonts, indexed by FontSlot.
    std::array<LogFont, kFontCount> fonts;

    const LogFont& Font(FontSlot slot) const { return fonts[static_cast<size_t>(slot)]; }

    // Every field at its default; zipTempPath is the temporary directory and
    // the fonts are the default fonts.
    static AppSettings Defaults();

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

// Which drive letters exist: index 0 = A.
using DrivePresence = std::array<bool, 26>;

// The "Drives" value after the load rule: a value that is not exactly 26
// characters long (empty or missing included: a first run shows every
// drive) becomes all 26 letters; then every position whose drive does not
// exist becomes '.', and every other position '.' when it holds '.' and its
// own lower-case letter when it holds anything else.
std::string NormaliseShownDrives(const std::string& stored, const DrivePresence& present);

// Reads the application sections of ini and, when store is not null, the
// user parameters; what is missing or unreadable takes its default.
void ReadAppSettings(const platform::ProfileFile& ini, const DrivePresence& present,
                     IUserParameterStore* store, AppSettings* settings);

// Writes every application section into ini (memory only; the caller
// flushes) and, when store is not null, the thumbnail settings and the six
// fonts into it. Returns false when the store refused a parameter.
bool WriteAppSettings(platform::ProfileFile& ini, const AppSettings& settings,
                      IUserParameterStore* store);

// The General Settings pages' checks: "" when the value is accepted, else
// the message that refuses it.
std::string CheckDrivesPage(const std::string& shownDrives);
// An empty work directory means none and is accepted. DOS paths are
// translated through drives.
std::string CheckEditorPage(const std::string& workDirectory, const platform::DriveMap& drives);
std::string CheckPathsPage(const std::string& zipTempPath, const platform::DriveMap& drives);

// True when path (a DOS path "C:\..." or a host path) names an existing
// directory.
bool DirectoryExists(const std::string& path, const platform::DriveMap& drives);

} // namespace vorlane::app
