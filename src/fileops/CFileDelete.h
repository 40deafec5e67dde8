// Delete and remove directory: the files of a file group, or a whole
// directory tree, deleted in one of three ways (a normal delete, the
// recycle bin, or a "zap" that overwrites each file before it goes), with
// prompts before every file or only before read-only, hidden and system
// files. Files inside a zip file are deleted from it in one call of the zip
// operations.
//
// The front end fills a CDeleteParameters (its dialog loads the "File
// Delete" settings with ReadDeleteSettings), or a CRemoveDirectoryParameters,
// and runs a CDeleteJob / CRemoveDirectoryJob, or RunDelete /
// RunRemoveDirectory at once on its own thread (the command line and the
// console, with the same parameters and no dialog):
//
//   CDeleteParameters p = ReadDeleteSettings(readInt);
//   p.directory = "C:\\DOCS"; p.files = {"A.TXT", "B.TXT"};
//   jobs.Start(std::make_unique<CDeleteJob>(p));
//
// What the run guarantees:
//  - Each file or directory removed is announced ("Removed <path>") to the
//    context's change sink; with descriptions on, its description goes.
//  - A file that vanished since it was listed counts as deleted.
//  - A tree is walked with directory handles (each subdirectory opened
//    relative to its parent, never through a link, never by changing the
//    working directory), depth first. A link is removed as the link. A
//    directory without write permission gets the owner's write permission
//    before it is emptied. A subdirectory on another file system (a mount
//    point) is reported and left; one that cannot be read is reported once
//    and the run goes on. A tree whose host path is "/" or the home
//    directory itself is refused.
//  - A tree sent to the recycle bin with no prompt left to ask goes to the
//    trash as one item; with prompts, file by file.
//  - A zap of a file with other names (hard links) removes only its name
//    and says so.
#pragma once

#include "fileops/CCopyDirectory.h"
#include "fileops/ZipArchiveCommands.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::fileops {

// The delete types as stored.
enum DeleteType : int {
    kDeleteNormal = 0,
    kDeleteZap = 1,
    kDeleteRecycle = 2,
};
// A stored value outside the three selects a normal delete.
int DeleteTypeFromStored(int stored);

constexpr const char* kDeleteSettingsSection = "File Delete";
constexpr const char* kDeleteTypeKey = "Delete Type";
constexpr const char* kDeletePromptKey = "Prompt First";

// The files of a group to delete.
struct CDeleteParameters {
    int deleteType = kDeleteNormal;
    bool promptFirst = true; // ask before every file
    // The directory the files are in (plain, or inside a zip file) and
    // their names in group order. A name of a directory removes its tree.
    std::string directory;
    std::vector<std::string> files;
    bool descriptions = false; // "4DOS Descriptions": descriptions are kept in step
};

// One directory tree to remove.
struct CRemoveDirectoryParameters {
    int deleteType = kDeleteNormal;
    bool promptFirst = true;
    std::string directory; // DOS path, plain or inside a zip file
    bool descriptions = false;
};

// "Delete Type" and "Prompt First" of "File Delete" (0 and 1 when missing;
// a type outside the three reads as normal, a prompt value other than 0 as on).
CDeleteParameters ReadDeleteSettings(const SettingsIntReader& read);
void WriteDeleteSettings(int deleteType, bool promptFirst, const SettingsWriter& write);

// What a run did.
struct CDeleteOutcome {
    uint64_t deleted = 0;     // files (and zip members) deleted, vanished ones included
    uint64_t directories = 0; // directories removed
    uint64_t skipped = 0;     // declined at a prompt
    uint64_t failed = 0;      // failures reported
    bool cancelled = false;
};

// The texts of the run.
constexpr const char* kDeleteFileCaption = "Delete File";
constexpr const char* kRemoveDirectoryCaption = "Remove Directory";
constexpr const char* kDeleteFilesCaption = "Delete File(s)";
constexpr const char* kEmptyGroupText = "The selected file group does not have any files!";
// The question before a file: the ordinary one or the one for a
// read-only, hidden or system file (the name cut to 30 characters).
std::string DeletePromptText(const std::string& dosPath, bool special);
std::string RemoveDirectoryPromptText(const std::string& dosPath);

// Runs at once on the calling thread.
CDeleteOutcome RunDelete(const CDeleteParameters& parameters, const ui::OperationContext& context);
CDeleteOutcome RunRemoveDirectory(const CRemoveDirectoryParameters& parameters,
                                  const ui::OperationContext& context);

class CDeleteJob : public ui::Job {
  public:
    explicit CDeleteJob(CDeleteParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kDeleteFilesCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CDeleteOutcome& Outcome() const { return m_outcome; }

  private:
    CDeleteParameters m_parameters;
    CDeleteOutcome m_outcome;
};

class CRemoveDirectoryJob : public ui::Job {
  public:
    explicit CRemoveDirectoryJob(CRemoveDirectoryParameters parameters)
        : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kRemoveDirectoryCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CDeleteOutcome& Outcome() const { return m_outcome; }

  private:
    CRemoveDirectoryParameters m_parameters;
    CDeleteOutcome m_outcome;
};

} // namespace vorlane::fileops
