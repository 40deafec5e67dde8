// Recompressing every zip file on a drive at one compression level.
//
// The drive's tree is walked from its root, directories breadth-first, on
// its own file system only (a mount point below the root is not entered)
// and never through a symbolic link; every regular file whose name ends in
// ".ZIP" (any case) is listed. Then, archive by archive, under the
// "Recompress ZIP File(s)" status window:
//
//   1. the archive's central directory is read; every member must be able
//      to come back out and go back in unchanged (no encrypted member, no
//      link member, no refused name), else the archive is left alone;
//   2. its members are extracted, paths kept, into a fresh staging
//      directory made exclusively under the zip work path;
//   3. they are added, relative paths, recursing, moved out of staging, at
//      the chosen level into a NEW archive in a private directory beside
//      the old one, with the old archive's comment;
//   4. the new archive must hold the same members (names, sizes and CRCs)
//      and every member is read back (extracted again, its CRC checked);
//   5. only then is it renamed over the old one (keeping the old one's
//      mode) and the directory flushed.
//
// An archive without files (empty, or directories only) has nothing to
// recompress and is left alone. Any failure leaves the old archive byte-identical and adds one line
// to the window's error list. Nothing else on the drive is touched; each archive replaced is
// announced as changed.
//
//   CRecompressParameters p;
//   p.drive = 'C'; p.level = 9;
//   jobs.Start(std::make_unique<CZipRecompressJob>(p));
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <atomic>
#include <string>
#include <vector>

namespace vorlane::ui {
class StatusWindow;
}

namespace vorlane::fileops {

constexpr const char* kRecompressDialogCaption = "ReCompress ZIP Files on Drive";
constexpr const char* kRecompressStatusCaption = "Recompress ZIP File(s)";

// The error list's lines (printf formats of the archive's path shortened
// to 30 characters).
constexpr const char* kRecompressOpenError = "Error opening '%s'";
constexpr const char* kRecompressUnzipError = "Unable to unzip files from '%s'.";
constexpr const char* kRecompressRezipError = "Unable to re-zip '%s'.";
constexpr const char* kRecompressVerifyError =
    "The re-zipped copy of '%s' did not hold the same files; the archive was left as it was.";
constexpr const char* kRecompressChangedError =
    "'%s' was changed by another program meanwhile; it was left as it was.";
constexpr const char* kRecompressStagingError = "Unable to make a temporary directory for '%s'.";

struct CRecompressParameters {
    char drive = 'C'; // the drive whose zip files are recompressed
    int level = 5;    // 0 to 9, a level of the compression choices
};

struct CRecompressOutcome {
    std::vector<std::string> found;  // the zip files found (DOS paths), in walk order
    int recompressed = 0;            // archives replaced by their recompressed copy
    std::vector<std::string> errors; // the error list, in order
    bool cancelled = false;
    // The command succeeds when at least one archive was recompressed.
    bool Succeeded() const { return recompressed > 0; }
};

// The zip files below a drive's root, walked breadth-first (the files of
// a directory in byte order of their names, before those of its
// subdirectories), on the root's file system only, never through a link.
// Each as a DOS path of the drive map. False when the root cannot be read
// or cancel became true.
bool FindDriveZipFiles(char drive, const platform::DriveMap& drives,
                       std::vector<std::string>* zipFiles,
                       const std::atomic<bool>* cancel = nullptr);

// The driver of one run (the command's own name for it).
class CZipRecompressDiskZipFiles {
  public:
    CZipRecompressDiskZipFiles(CRecompressParameters parameters,
                               const ui::OperationContext& context);

    // Finds and recompresses; true when at least one archive was.
    bool Run();
    const CRecompressOutcome& Outcome() const { return m_outcome; }

  private:
    enum class Step { Done, Failed, Nothing, Stop };
    Step RecompressOne(const std::string& zip, ui::StatusWindow& status);
    void AddError(ui::StatusWindow& status, const char* format, const std::string& zip);

    CRecompressParameters m_parameters;
    ui::OperationContext m_context;
    CRecompressOutcome m_outcome;
};

// The run as a job on the drive's letter.
class CZipRecompressJob : public ui::Job {
  public:
    explicit CZipRecompressJob(CRecompressParameters parameters) : m_parameters(parameters) {}
    std::string Title() const override { return kRecompressStatusCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CRecompressOutcome& Outcome() const { return m_outcome; }

  private:
    CRecompressParameters m_parameters;
    CRecompressOutcome m_outcome;
};

} // namespace vorlane::fileops
