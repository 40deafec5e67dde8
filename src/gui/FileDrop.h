// Files dropped on a file manager window: copied or moved into the
// directory they were dropped on, one CFileOperation primitive per file,
// with the "Copy Files" or "Move Files" operation status window.
//
// The action follows the keys held at the drop, as desktop file managers
// do: Ctrl copies, Shift moves, and with neither a drop between drives
// copies and a drop within a drive moves. No options dialog is shown; a
// target that exists is asked about ("File '%s' already exists! Would you
// like to overwrite it?" with Yes, No, Yes To All and Cancel), a failure
// shows "Unable to %s file '%s' to '%s'." with the error text and the run
// goes on, Cancel in the status window ends it (the file being copied
// leaves no partial target; a cancelled move keeps its source).
//
// With "4DOS Descriptions" on, descriptions follow the files. When the run
// ends, every directory it changed is handed out as a catalogue change
// notice through ui::Current(), which the windows take to update their
// trees and lists.
//
// Called on the GUI thread by the window that took the drop.
#pragma once

#include <Qt>

#include <string>
#include <vector>

namespace vorlane::gui {

enum class DropAction { Copy, Move };

// Ctrl: copy; Shift: move; neither: move when source and target are on one
// drive letter, else copy.
DropAction ChooseDropAction(const std::string& sourcePath, const std::string& targetDirectory,
                            Qt::KeyboardModifiers modifiers);

struct FileDropRequest {
    std::vector<std::string> sources; // DOS paths of files
    std::string targetDirectory;      // DOS path of a plain directory
    DropAction action = DropAction::Copy;
    bool descriptions = false; // "4DOS Descriptions" in force
};

struct FileDropOutcome {
    int done = 0;    // copied or moved
    int skipped = 0; // declined at the overwrite question
    int failed = 0;  // an error was shown
    bool cancelled = false;
    std::vector<std::string> noticed; // the paths handed out as change notices
};

// The status window's caption and overall label of an action.
const char* DropCaption(DropAction action);      // "Copy Files", "Move Files"
const char* DropOverallLabel(DropAction action); // "Files copied (or skipped):", ...

FileDropOutcome RunFileDrop(const FileDropRequest& request);

} // namespace vorlane::gui
