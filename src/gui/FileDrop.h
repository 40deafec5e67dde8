// Files dropped on a file manager window are copied or moved by the drop
// job of the file operations (fileops/CFileDropJob.h); the window only
// chooses the action and starts the job.
//
// The action follows the keys held at the drop, as desktop file managers
// do: Ctrl copies, Shift moves, and with neither a drop between drives
// copies and a drop within a drive moves.
#pragma once

#include "fileops/CFileDropJob.h"

#include <Qt>

#include <string>

namespace vorlane::gui {

using fileops::DropAction;

// Ctrl: copy; Shift: move; neither: move when source and target are on one
// drive letter, else copy.
DropAction ChooseDropAction(const std::string& sourcePath, const std::string& targetDirectory,
                            Qt::KeyboardModifiers modifiers);

} // namespace vorlane::gui
