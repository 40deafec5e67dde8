// IMainFrame: what the application object needs of a front end's main
// frame during start-up and shutdown. The Qt MDI frame implements it, and
// so does the console's headless frame. The application calls it; the
// frame never calls back into start-up or shutdown itself.
#pragma once

#include "app/SavedWindows.h"

#include <string>
#include <vector>

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::app {

class IMainFrame {
  public:
    virtual ~IMainFrame() = default;

    // Frame construction: the frame reads its own keys (FrameSettings) from
    // the settings file as read at start.
    virtual void Create(const platform::ProfileFile& settings) = 0;
    // The start-up notice: the product line and the version, and what went
    // wrong while starting that the user must know ("" when nothing did).
    virtual void ShowStartupNotice(const std::string& name, const std::string& version,
                                   const std::string& problem) = 0;
    // The framework's own close check: may every window close?
    virtual bool CanCloseAllWindows() = 0;
    // False for a front end without file manager windows (the console): the
    // windows saved by an earlier run then stay as they are at exit.
    virtual bool HasFileManagerWindows() const { return true; }
    // The open file manager windows, in the order the MDI client lists them.
    virtual std::vector<OpenWindowInfo> OpenFileManagerWindows() const = 0;
    // Frame clean-up: the frame writes its own keys (memory only; the
    // application flushes the file once for the whole shutdown).
    virtual void CleanUp(platform::ProfileFile& settings) = 0;
};

// The start-up actions chosen by "Initial Mode" (101 does nothing).
class IStartupActions {
  public:
    virtual ~IStartupActions() = default;
    virtual void ShowLogDriveDialog() = 0;                       // 102
    virtual void LogCurrentDrive() = 0;                          // 103
    virtual void NewArchive() = 0;                               // 104
    virtual void OpenArchive() = 0;                              // 105
    virtual void OpenSavedWindow(const SavedWindow& window) = 0; // 106, once per window
};

} // namespace vorlane::app
