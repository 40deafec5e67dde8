// The frame's shell commands: Properties (of the active window's caret
// file, or its current directory when the tree has the focus), Volume
// Label (of the active window's drive, else the current default drive),
// Map Network Drive, Disconnect Network Drive and Restore.
//
// Each shows its dialog through the frame (so tests answer it) and starts
// its disk work as a job of the frame's job manager: the directory count of
// Properties, the label change, the restore's extraction. Mapping a network
// location waits for gio on the GUI thread under the wait cursor.
//
// Called on the GUI thread by the frame.
#pragma once

#include <vector>

namespace vorlane::gui {

class CVorlaneFrame;

// Carries out one of the commands above; false for any other id.
bool RunShellCommand(CVorlaneFrame& frame, int id);

// The drives Restore offers: removable, optical and floppy drives, and the
// letters Map Network Drive gave out, in letter order.
std::vector<char> RestoreDrives();

} // namespace vorlane::gui
