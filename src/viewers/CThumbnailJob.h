// CThumbnailJob: one thumbnail command of a file manager window run as a
// job: "Scan &Branch" (the directory and every one below it), "Scan
// &Directory" (the directory alone), "Scan Dri&ve" (the drive's root with
// recursion), "Remove &All" and "Remove &Orphans". The store it is handed
// carries its calls to the thread that owns the object database.
#pragma once

#include "ui/Job.h"
#include "viewers/CThumbnailMaintenance.h"

namespace vorlane::viewers {

enum class ThumbnailCommand { ScanBranch, ScanDirectory, ScanDrive, RemoveAll, RemoveOrphans };

struct ThumbnailJobParameters {
    ThumbnailCommand command = ThumbnailCommand::ScanDirectory;
    std::string directory;      // DOS path: the scans' start (the drive's letter for ScanDrive)
    std::vector<int32_t> types; // image format codes to scan
    unsigned workers = 0;       // decoding threads; 0: one per core
};

class CThumbnailJob : public ui::Job {
  public:
    // REQUIRES: store outlives the job.
    CThumbnailJob(ThumbnailJobParameters parameters, IThumbnailStore& store)
        : m_p(std::move(parameters)), m_store(store) {}

    std::string Title() const override;
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;

    const ThumbnailScanCounts& Counts() const { return m_counts; }

  private:
    ThumbnailJobParameters m_p;
    IThumbnailStore& m_store;
    ThumbnailScanCounts m_counts;
};

} // namespace vorlane::viewers
