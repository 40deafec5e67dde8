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

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstddef>
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

// --- the name of a new zip file and of a renamed zip directory ------------

// True when the text from the name's first '.' is ".zip" in any case
// ("A.ZIP" yes; "A.TAR.ZIP" and "ZIP" no).
bool IsZipDirectoryName(const std::string& name);

// The checks of a new zip file's name (Make Directory as a zip file) typed
// in directory (a name, a relative path or a full DOS path), in their
// order: "A name must be specified!", an invalid specification, "Name
// cannot have wildcards in it!", "Zip file must have an extension of
// '.ZIP'." (a name without a '.' gets ".ZIP"), "'<path>' already exists!".
// Returns "" and sets *fullPath (the DOS path to make) when the name may be
// used, else the text to show.
std::string ValidateNewZipName(const std::string& directory, const std::string& name,
                               const platform::DriveMap& drives, std::string* fullPath);

// --- the comment ---------------------------------------------------------------

constexpr const char* kZipCommentCaption = "Zip File Comments";
constexpr size_t kZipCommentLimit = 512;
// Characters of the directory shown beside "Path:".
constexpr size_t kZipCommentPathLength = 30;

// The comment of zipPath (the archive opened, never created). A failure has
// been shown ("Unable to open zip file '%s'.\n\n" and the reason): nothing.
std::optional<std::string> ReadZipComment(const ui::OperationContext& context,
                                          const std::string& zipPath);
// Writes the comment back; a failure is shown ("Unable to save comment for
// zip file '%s'.\n\n" and the reason) and leaves the archive as it was.
bool WriteZipComment(const ui::OperationContext& context, const std::string& zipPath,
                     const std::string& comment);

// Writing the comment as a job.
class CZipCommentJob : public ui::Job {
  public:
    CZipCommentJob(std::string zipPath, std::string comment)
        : m_zipPath(std::move(zipPath)), m_comment(std::move(comment)) {}
    std::string Title() const override { return kZipCommentCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;

  private:
    std::string m_zipPath, m_comment;
};

} // namespace vorlane::fileops
