// New Archive (15005, Ctrl+N, start-up action 104) and Open Archive (15010,
// Ctrl+O, start-up action 105): the file dialog, then a new file manager
// window on the archive as a drive of kind 99 (an archive window, menu
// 500, caption "Zip '...'"). What happens to the chosen name (upper case,
// "Zip Open Path", the ".ZIP" extension, the empty archive and its change
// notice) is the file operations module's (fileops/ZipArchiveCommands.h).
//
// The dialogs: "New Archive File" with "ZIP Files (*.zip)|*.ZIP", where
// the directory must exist but the file need not; "Open Archive File" with
// "ZIP Files (*.zip)|*.ZIP|EXE Files (*.exe)|*.EXE", where the file must
// exist. Both start in "Zip Open Path" and hold their command's help
// context while open. Under the Qt user interface they are QFileDialogs;
// under any other (the tests' scripted one) they are its save and open
// pickers; SetArchiveFilePicker replaces both.
//
// Called on the GUI thread by the frame.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vorlane::gui {

class CVorlaneFrame;
class TFileManagerWindow;

struct ArchiveDialogRequest {
    std::string caption;
    std::string filter;     // "Label|*.EXT|Label|*.EXT"
    std::string initialDir; // a DOS directory, "" for none
    bool mustExist = false; // Open Archive: the file must exist
};

// The chosen DOS path, or nothing when the user cancelled.
using ArchiveFilePicker = std::function<std::optional<std::string>(const ArchiveDialogRequest&)>;
// Replaces the dialogs (null: the default ones).
void SetArchiveFilePicker(ArchiveFilePicker picker);

// The "Open ZIP File" dialog of Zip-To-Exe ("ZIP Files (*.zip)|*.ZIP", the
// file must exist), starting in "Zip Open Path", which it saves with the
// chosen file's directory. Nothing when the user cancelled.
std::optional<std::string> PickZipToExeFile(CVorlaneFrame& frame);

// The commands; the archive window opened, or null (cancelled, or the
// archive could not be made or logged: the user was told).
TFileManagerWindow* RunNewArchive(CVorlaneFrame& frame);
TFileManagerWindow* RunOpenArchive(CVorlaneFrame& frame);

} // namespace vorlane::gui
