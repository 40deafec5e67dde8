// Restore: the files of a backup archive found at the root of a removable
// drive, extracted into a directory the user picks.
//
// ScanRestoreDrive (the restore dialog's "Scan Disk") looks at the drive's
// root for a file whose name ends in ".ZIP" in any case (the first in byte
// order of the names when there are several), opens it as an archive that
// may span several volumes, and reads its comment. What goes wrong is told
// through the context's user interface in the program's own words.
//
// CRestoreJob extracts every member, stored paths kept, into the
// destination through the zip operations, under the "Restore Files" status
// window; a file that exists already gets the overwrite question, and each
// file made is announced as added.
#pragma once

#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <string>

namespace vorlane::fileops {

constexpr const char* kRestoreNoDriveText = "A source drive is currently not selected!";
constexpr const char* kRestoreNoZipText =
    "A zip file does not exist on the current floppy drive. Insert another diskette and press "
    "the Scan Disk button!";
constexpr const char* kRestoreOpenFormat = "Unable to open zip file '%s'.\n\n";
constexpr const char* kRestoreStatusCaption = "Restore Files";

struct RestoreScan {
    bool found = false;
    std::string archive; // DOS path of the archive ("D:\BACKUP.ZIP")
    std::string name;    // its name as it lies on the drive ("BACKUP.ZIP")
    std::string comment; // the archive's comment
};

// The archive at the drive's root, "" when there is none.
std::string FindRestoreArchive(char drive, const platform::DriveMap& drives);

// Scan Disk on drive (0: none chosen). Found only when the archive opened.
RestoreScan ScanRestoreDrive(char drive, const ui::OperationContext& context);

struct CRestoreParameters {
    std::string archive;     // DOS path of the archive
    std::string destination; // DOS directory the files go to
};

class CRestoreJob : public ui::Job {
  public:
    explicit CRestoreJob(CRestoreParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override { return kRestoreStatusCaption; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;

  private:
    CRestoreParameters m_parameters;
};

} // namespace vorlane::fileops
