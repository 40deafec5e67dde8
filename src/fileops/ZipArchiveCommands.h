// The parts of the New Archive and Open Archive commands that need no
// window: what happens to the name the file dialog returned, before the
// GUI opens a file manager window on the archive as a drive of kind 99.
//
//   auto name = ui.PickSaveFile(kNewArchiveCaption, kNewArchiveFilter, openPath);
//   if (!name) return;
//   auto archive = PrepareNewArchive(context, *name, writer);   // messages already shown
//   if (!archive) return;
//   <close viewers whose file is gone; open a window on *archive, kind 99>
//
// The GUI owns the dialogs (help contexts 15005 and 15010) and the window.
#pragma once

#include "ui/OperationContext.h"

#include <functional>
#include <optional>
#include <string>

namespace vorlane::fileops {

constexpr const char* kNewArchiveCaption = "New Archive File";
constexpr const char* kNewArchiveFilter = "ZIP Files (*.zip)|*.ZIP";
constexpr const char* kOpenArchiveCaption = "Open Archive File";
constexpr const char* kOpenArchiveFilter = "ZIP Files (*.zip)|*.ZIP|EXE Files (*.exe)|*.EXE";
constexpr int kNewArchiveHelpContext = 15005;
constexpr int kOpenArchiveHelpContext = 15010;
constexpr const char* kZipSettingsSection = "ZIP/UNZIP Settings";
constexpr const char* kZipOpenPathKey = "Zip Open Path";

// Writes one settings value (section, key, value): the front end's
// settings file. Null: nothing is saved.
using SettingsWriter =
    std::function<void(const std::string&, const std::string&, const std::string&)>;

// Saves the directory of a chosen file name (up to its last '\'; a root
// keeps its backslash) as "Zip Open Path".
void SaveZipOpenPath(const std::string& chosen, const SettingsWriter& writer);

// The archive name New Archive uses for a chosen name: as typed, with
// everything from the last '.' after the last '\' replaced by ".zip"
// (an extension typed as ".zip" in any case is kept).
std::string NewArchiveName(const std::string& chosen);

// New Archive after the dialog: the name keeps the case typed, its
// directory is saved as "Zip Open Path", the extension made ".zip"; when no
// such file exists an empty archive is made (a failure has been shown:
// nothing returned) and a catalogue change notice names it. Returns the
// archive to log, spelt as the disk has it.
std::optional<std::string> PrepareNewArchive(const ui::OperationContext& context,
                                             const std::string& chosen,
                                             const SettingsWriter& writer);

// Open Archive after the dialog: the name upper-cased and its directory
// saved as "Zip Open Path". Returns the archive to log.
std::string PrepareOpenArchive(const std::string& chosen, const SettingsWriter& writer);

} // namespace vorlane::fileops
