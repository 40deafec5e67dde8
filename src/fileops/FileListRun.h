// Copy, move and delete over a list of files from many directories (the
// results of a find): the list is split by directory and each directory's
// files go through the ordinary driver, one directory after another, in
// one job. Copies and moves put every file straight into the target
// directory; two files of one name from different directories meet there
// under the run's overwrite rules (only if newer, prompt before overwrite).
//
//   std::vector<std::string> found = {"C:\\A\\X.TXT", "C:\\B\\Y.TXT"};
//   CCopyParameters p = dialog.Parameters();        // target and options
//   jobs.Start(std::make_unique<CFileListCopyJob>(p, found));
#pragma once

#include "fileops/CCopyDirectory.h"
#include "fileops/CFileDelete.h"
#include "ui/Job.h"

#include <string>
#include <vector>

namespace vorlane::fileops {

// One directory's share of a list.
struct DirectoryFiles {
    std::string directory; // DOS path
    std::vector<std::string> files;
};

// Splits full DOS paths into their directories, in the order each directory
// first appears; within a directory the names keep their order. A path
// given twice (letter case aside) is taken once; a path without a
// directory part is left out.
std::vector<DirectoryFiles> SplitByDirectory(const std::vector<std::string>& dosPaths);

// The checks of a list's copy or move before it starts (parameters.files
// the full DOS paths, sourceDirectory not looked at): "" or the text to
// show, as ValidateCopy. The target may be any directory but the one that
// holds every file of the list; a directory of the list that is the target
// is skipped by the run.
std::string ValidateListCopy(const CCopyParameters& parameters, const platform::DriveMap& drives,
                             bool inDialog);

// A copy or move of the list into parameters.targetPath with the options of
// parameters (its sourceDirectory and files are set per directory). A Yes
// To All answers for the rest of the list; the files of a directory that
// is the target stay where they are, counted as skipped, and the user is
// told once per such directory.
class CFileListCopyJob : public ui::Job {
  public:
    CFileListCopyJob(CCopyParameters parameters, const std::vector<std::string>& dosPaths);
    std::string Title() const override;
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    // The sum of the directories' runs.
    const CCopyOutcome& Outcome() const { return m_outcome; }

  private:
    CCopyParameters m_parameters;
    std::vector<DirectoryFiles> m_groups;
    CCopyOutcome m_outcome;
};

// A delete of the list with the type and prompting of parameters (its
// directory and files are set per directory).
class CFileListDeleteJob : public ui::Job {
  public:
    CFileListDeleteJob(CDeleteParameters parameters, const std::vector<std::string>& dosPaths);
    std::string Title() const override { return kDeleteFilesCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CDeleteOutcome& Outcome() const { return m_outcome; }

  private:
    CDeleteParameters m_parameters;
    std::vector<DirectoryFiles> m_groups;
    CDeleteOutcome m_outcome;
};

} // namespace vorlane::fileops
