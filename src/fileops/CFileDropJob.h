// CFileDropJob: files and directories dropped on a directory, copied or
// moved into it by the copy and move driver (CCopyDirectory): the dropped
// files of one directory as one file group, each dropped directory as a
// directory tree (C:\A dropped on D:\B lands in D:\B\A). The front end
// fills the parameters from the drop; the driver's status window, texts
// and rules apply.
//
// No options dialog is shown: a target that exists is asked about ("File
// '%s' already exists! Would you like to overwrite it?" with Yes, No, Yes
// To All and Cancel), a failure shows "Unable to %s file '%s' to '%s'."
// with the error text and the run goes on, Cancel in the status window ends
// it (the file being copied leaves no partial target; a cancelled move
// keeps its source). A dropped file that already lies in the target
// directory stays where it is.
//
// With descriptions on, they follow the files. Each file copied sends
// "Added <target>", each file moved "Renamed <source> -> <target>" to the
// context's change sink as soon as it is done; the driver never calls the
// catalogue.
//
// Runs on the thread that calls it (a job's worker, or the caller's own).
#pragma once

#include "ui/Job.h"

#include <string>
#include <vector>

namespace vorlane::fileops {

enum class DropAction { Copy, Move };

struct CFileDropParameters {
    std::vector<std::string> sources; // DOS paths of files and directories
    std::string targetDirectory;      // DOS path of the target directory
    DropAction action = DropAction::Copy;
    bool descriptions = false; // "4DOS Descriptions" in force
};

struct CFileDropOutcome {
    int done = 0;    // copied or moved
    int skipped = 0; // declined at the overwrite question
    int failed = 0;  // an error was shown
    bool cancelled = false;
};

// The status window's caption and overall label of an action.
const char* DropCaption(DropAction action);      // "Copy Files", "Move Files"
const char* DropOverallLabel(DropAction action); // "Files copied (or skipped):", ...

// Runs the drop at once on the calling thread.
CFileDropOutcome RunFileDrop(const CFileDropParameters& parameters,
                             const ui::OperationContext& context);

class CFileDropJob : public ui::Job {
  public:
    explicit CFileDropJob(CFileDropParameters parameters) : m_parameters(std::move(parameters)) {}

    std::string Title() const override { return DropCaption(m_parameters.action); }
    // The drives of the sources and of the target.
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;

    const CFileDropParameters& Parameters() const { return m_parameters; }
    // What the run did (after Run).
    const CFileDropOutcome& Outcome() const { return m_outcome; }

  private:
    CFileDropParameters m_parameters;
    CFileDropOutcome m_outcome;
};

} // namespace vorlane::fileops
