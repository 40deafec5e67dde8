// Rename: one file or directory by name, or a whole file group through a
// DOS wildcard (every *.TXT to *.BAK).
//
// The front end fills a CRenameParameters from its dialog (or a command
// does), checks it with ValidateRename and runs a CRenameJob, or
// RunRename at once; a single file or directory goes through RenameOne.
//
// What a run guarantees:
//  - A rename never replaces anything: an existing name fails with "New
//    file name already exists as a unique file!" (a no-replace rename,
//    even against a file made at the same moment). Of two files of a group
//    that map to one new name the first is renamed, the second reported.
//  - A rename that only changes the case of a name works.
//  - Within a group, a file whose new name is still held by a member not
//    yet renamed waits until that member has moved; members that hold each
//    other's new names in a ring pass through a unique temporary name. No
//    file is ever lost or replaced.
//  - Each rename is announced ("Renamed <old> -> <new>"); with descriptions
//    on, the description moves with the file. A description file that
//    cannot be written leaves the renamed files renamed and the old
//    description file whole ("Unable to update description file with new
//    filename.").
//  - Inside a zip file nothing is renamed ("You cannot name a file within
//    a ZIP file!"); a zip file keeps its ".ZIP" extension.
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::fileops {

// The new name of oldName under the wildcard pattern: the pattern is
// walked from left to right with a cursor in the old name ("*" copies up
// to the next "." of the old name; "." moves the cursor past the next
// "."; "?" copies one character that is not a "."; any other character
// replaces one); a pattern ending in "*" then takes the rest of the old
// name. REPORT.TXT with *.BAK gives REPORT.BAK, README with *.TXT gives
// README.TXT. Characters are UTF-8 code points.
std::string WildcardNewName(const std::string& oldName, const std::string& pattern);

// A name or pattern the rename (and a new zip file's name) accepts: the
// wildcard syntax, and no character a DOS name cannot hold.
bool FileSpecificationValid(const std::string& pattern);
// "The file specification "<pattern>" is invalid. ..."
std::string InvalidSpecificationText(const std::string& pattern);

struct CRenameParameters {
    std::string directory; // DOS path of the files' directory
    // The files: a group's names in its order, or (when empty) those of the
    // directory matching sourcePattern ("*.*" matches every name).
    std::vector<std::string> files;
    std::string sourcePattern;
    std::string newName; // the new-name pattern ("*.BAK")
    bool descriptions = false;
};

constexpr const char* kRenameFilesCaption = "Rename File(s)";
constexpr const char* kRenameOverallLabel = "Files renamed (or skipped):";

// The dialog's checks: "" when the run may start, else the text to show.
std::string ValidateRename(const CRenameParameters& parameters);

struct CRenameOutcome {
    uint64_t renamed = 0; // a rename to the same name counts, changing nothing
    uint64_t failed = 0;
    bool cancelled = false;
    // The error list, shown at the end of the run in one message.
    std::vector<std::string> errors;
};

// The rename of one run: its parameters and context. Run() validates
// (a refusal is shown), renames on the calling thread and shows the error
// list at the end.
class CFileWildcardRename {
  public:
    CFileWildcardRename(CRenameParameters parameters, const ui::OperationContext& context)
        : m_parameters(std::move(parameters)), m_context(context) {}
    CRenameOutcome Run();

  private:
    CRenameParameters m_parameters;
    ui::OperationContext m_context;
};

CRenameOutcome RunRename(const CRenameParameters& parameters, const ui::OperationContext& context);

// Renames one file or directory (a plain new name or a pattern applied to
// its name). Failures are shown; true when renamed.
bool RenameOne(const std::string& dosPath, const std::string& newName, bool descriptions,
               const ui::OperationContext& context);

class CRenameJob : public ui::Job {
  public:
    explicit CRenameJob(CRenameParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kRenameFilesCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CRenameOutcome& Outcome() const { return m_outcome; }

  private:
    CRenameParameters m_parameters;
    CRenameOutcome m_outcome;
};

// The rename of one file or directory as a job.
class CRenameOneJob : public ui::Job {
  public:
    CRenameOneJob(std::string dosPath, std::string newName, bool descriptions)
        : m_path(std::move(dosPath)), m_newName(std::move(newName)), m_descriptions(descriptions) {}
    std::string Title() const override { return "File Rename"; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;

  private:
    std::string m_path, m_newName;
    bool m_descriptions;
};

} // namespace vorlane::fileops
