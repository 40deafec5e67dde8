// FrameSettings: what the main frame keeps of itself in VORLANE.INI.
//
// Section "General": "Window Top", "Window Left", "Window Width", "Window
// Height" (-1 each when never set; the geometry is applied only when none
// is -1), "Display Drive Bar", "Display Tool Bar" (flags, 1), "Window
// ShowMode" (1; 6 minimised, 3 maximised, 1 visible, 0 hidden). Section
// "Drive Settings": "Window Top" and "Window Left" of the floating drive box
// (0 each).
//
// The frame reads them while it is constructed and writes them while it is
// cleaned up, whatever "Save Settings on Exit" says. Any front end's frame
// (the Qt one, the console's headless one) uses this record.
#pragma once

namespace vorlane::platform {
class ProfileFile;
}

namespace vorlane::app {

// Show modes of the frame and of file manager windows.
enum ShowMode : int {
    kShowHidden = 0,
    kShowNormal = 1,
    kShowMaximized = 3,
    kShowMinimized = 6,
};

struct FrameSettings {
    int top = -1;
    int left = -1;
    int width = -1;
    int height = -1;
    bool displayDriveBar = true;
    bool displayToolBar = true;
    int showMode = kShowNormal;
    int driveBoxTop = 0;
    int driveBoxLeft = 0;

    // True when the stored geometry may be applied (none of the four is -1).
    bool HasGeometry() const { return top != -1 && left != -1 && width != -1 && height != -1; }

    static FrameSettings Read(const platform::ProfileFile& ini);
    // Writes every key (memory only; the caller flushes).
    void Write(platform::ProfileFile& ini) const;
};

} // namespace vorlane::app
