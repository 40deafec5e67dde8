// Files dropped on a file manager window are copied or moved by the drop
// job of the file operations (fileops/CFileDropJob.h); the window only
// chooses the action and starts the job.
//
// The action follows the keys held at the drop, as desktop file managers
// do: Ctrl copies, Shift moves. With neither, a drop asks (a small Copy Here
// / Move Here / Cancel menu at the drop point, the usual action first)
// unless "Automatic Drag-and-Drop Operations" is on; then a drop between
// drives copies and a drop within a drive moves at once.
#pragma once

#include "fileops/CFileDropJob.h"

#include <Qt>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace vorlane::gui {

using fileops::DropAction;

// Ctrl: copy; Shift: move; neither: move when source and target are on one
// drive letter, else copy.
DropAction ChooseDropAction(const std::string& sourcePath, const std::string& targetDirectory,
                            Qt::KeyboardModifiers modifiers);

// True when the keys held chose the action (Ctrl or Shift).
bool KeysChooseDropAction(Qt::KeyboardModifiers modifiers);

// Asks what a drop on over does; suggested is offered first. Nothing:
// the user cancelled.
using DropChooser = std::function<std::optional<DropAction>(QWidget* over, DropAction suggested)>;
std::optional<DropAction> AskDropAction(QWidget* over, DropAction suggested);
// Replaces the menu (the tests answer through it); null restores it.
void SetDropChooser(DropChooser chooser);

} // namespace vorlane::gui
