// The file manager windows remembered at exit and reopened at start when
// "Initial Mode" is 106, in section "Startup Settings":
//
//   "# of Drives"            the count n
//   "Drive Name %03d"        the window's drive container name ("C:", a zip file path)
//   "Initial Directory %03d" the window's current directory
//   "Window Layout %03d"     "%d,%d,%d,%d,%d,%d": drive kind (1 drive, 99 zip file),
//                            show mode, left, top, width, height
//
// numbered from 000. Windows on a multi-volume zip file (kind 100) are not
// remembered. Keys of an earlier, longer list are left in place; the count
// tells which are live.
#pragma once

#include <string>
#include <vector>

namespace vorlane::platform {
class DriveMap;
class ProfileFile;
} // namespace vorlane::platform

namespace vorlane::app {

// Drive container kinds.
enum DriveKind : int {
    kDriveKindPlain = 1,
    kDriveKindZip = 99,
    kDriveKindMultiVolumeZip = 100,
};

// One open file manager window as its frame describes it.
struct OpenWindowInfo {
    std::string driveName; // the drive container's name
    int driveKind = kDriveKindPlain;
    std::string currentDirectory; // full path
    int showMode = 1;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// One window to reopen at start.
struct SavedWindow {
    std::string driveName; // upper case
    int driveKind = kDriveKindPlain;
    std::string initialDirectory;
    int showMode = 0;
    int left = 0; // the rectangle: left, top, right = left + width, bottom = top + height
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const SavedWindow&, const SavedWindow&) = default;
};

// Writes the windows (memory only; the caller flushes). Returns the count
// written.
int WriteSavedWindows(platform::ProfileFile& ini, const std::vector<OpenWindowInfo>& windows);

// Reads the saved windows. An entry whose drive (the first character of the
// drive name) does not exist is skipped; so is one without a drive name.
std::vector<SavedWindow> ReadSavedWindows(const platform::ProfileFile& ini,
                                          const platform::DriveMap& drives);

// Parses "%d,%d,%d,%d,%d,%d" as far as it goes; fields it does not reach
// stay 0. Returns the number of fields parsed.
int ParseWindowLayout(const std::string& text, int fields[6]);

} // namespace vorlane::app
