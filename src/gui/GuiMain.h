// The entry of the windowed front end: a QApplication, the Qt user
// interface, the application object and the main frame, then Qt's loop
// until the frame closes, then the application's shutdown.
#pragma once

namespace vorlane::gui {

// True when a window system is there to show the GUI on: $DISPLAY or
// $WAYLAND_DISPLAY set, or QT_QPA_PLATFORM naming a platform with a screen
// a user can see (not "offscreen" or "minimal").
bool DisplayAvailable();

// Runs the GUI; returns the process exit code.
int Main(int argc, char** argv);

} // namespace vorlane::gui
