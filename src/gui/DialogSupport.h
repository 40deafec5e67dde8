// What the file operation dialogs share: the "File &Group:" choice, labels
// with access keys, the OK / Cancel / Help buttons, the settings of the
// running application, and the tree count that runs on a worker thread
// while a dialog is open.
#pragma once

#include "fileops/CCopyDirectory.h"
#include "fileops/ZipArchiveCommands.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QDialog;
class QDialogButtonBox;
class QLabel;
class QWidget;

namespace vorlane::gui {

// The groups of the "File &Group:" choice, in its order (the catalogue's
// group numbers).
enum FileGroupChoice : int {
    kCopyGroupCurrent = 4,
    kCopyGroupEvery = 1,
    kCopyGroupTagged = 2,
    kCopyGroupUntagged = 3,
};
// Fills a group choice ("Current file", "Every file", "Tagged files",
// "Untagged files"; the data is the group number) and selects group.
void FillGroupChoice(QComboBox* box, int group);
// Adds one entry a drive letter ("C:"; the data is the letter as an int).
void AddDriveLetters(QComboBox* box, const std::vector<char>& letters);

// A label with an access key and the control it leads to.
QLabel* BuddyLabel(const char* text, QWidget* buddy);
// "%ld files".
QString FileCountText(size_t count);

// OK, Cancel and Help: OK calls the dialog's accept(), Help shows the page
// of helpContext.
QDialogButtonBox* MakeDialogButtons(QDialog* dialog, int helpContext);

// The settings of the running application (defaults and no writes
// without one).
fileops::SettingsIntReader AppIntReader();
fileops::SettingsWriter AppWriter();
// The drive map of the running application (or the process's).
std::shared_ptr<const platform::DriveMap> CurrentDrives();

// Counts a tree (fileops::CountTree by default) on a worker thread.
using TreeCounter = std::function<fileops::TreeCount(const std::string& dosDirectory,
                                                     const platform::DriveMap& drives,
                                                     const std::atomic<bool>* cancel)>;
// Starts a count; onResult runs on the GUI thread unless the returned flag
// was set first (set it, on the GUI thread, before what onResult touches
// goes away). The worker is never waited for.
std::shared_ptr<std::atomic<bool>> StartTreeCount(const std::string& dosDirectory,
                                                  TreeCounter counter,
                                                  std::function<void(fileops::TreeCount)> onResult);
// "%s dirs and %s files", or "# of dirs and files not known!".
QString TreeCountText(const fileops::TreeCount& count);
constexpr const char* kCountUnknown = "# of dirs and files not known!";

} // namespace vorlane::gui
