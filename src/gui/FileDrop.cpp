#include "gui/FileDrop.h"

#include "platform/DosPathText.h"

namespace vorlane::gui {

DropAction ChooseDropAction(const std::string& sourcePath, const std::string& targetDirectory,
                            Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier)
        return DropAction::Copy;
    if (modifiers & Qt::ShiftModifier)
        return DropAction::Move;
    char from = platform::PathDriveLetter(sourcePath);
    return from != 0 && from == platform::PathDriveLetter(targetDirectory) ? DropAction::Move
                                                                           : DropAction::Copy;
}

} // namespace vorlane::gui
