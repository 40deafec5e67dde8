// CZipFileDirectory: a zip file seen as a directory of the catalogue. A
// drive scan makes one (kind 2) for every zip file it meets, with an empty
// member list and scan state 1; the members are read when the directory
// becomes current and freed when the user leaves it, like a directory's
// files. Archives opened as drives hold one of kind 99 or 100.
//
// The members are read through the zip module's CZipFileOperation, which
// lists the archive's member entries; each becomes a CZipFileInfo.
//
// Members of different folders of one archive may share a base name (the
// name the list shows), so tags are kept across reads by each member's
// full path (the archive's path and the member's path name), not by name.
#pragma once

#include "catalogue/CDirectoryContainer.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorlane::catalogue {

// Scan states of a zip directory.
enum ZipScanState : int {
    kZipMissing = 0,    // the file does not exist
    kZipNotScanned = 1, // not read yet
    kZipNotZip = 2,     // not a zip file
    kZipDamaged = 3,
    kZipRead = 4,
};

// How a read of a zip directory's members ended.
struct ZipReadOutcome {
    int state = kZipNotScanned; // ZipScanState
    int deferredError = 0;      // 204 when a multi-volume archive was refused
    int unzipResult = 0;        // kUnzipReadError, kUnzipOutOfMemory, ...
    int systemError = 0;        // the errno behind kUnzipReadError
};

class CZipFileDirectory : public CDirectoryContainer {
  public:
    // REQUIRES: path is the zip file's full, normalized DOS path.
    CZipFileDirectory(CDriveContainer* drive, std::string path, int kind = kDirectoryZip)
        : CDirectoryContainer(drive, std::move(path)), m_kind(kind) {}

    int Kind() const override { return m_kind; }
    void SetKind(int kind) { m_kind = kind; }
    int ScanState() const { return m_scanState; }
    void SetScanState(int state) { m_scanState = state; }

    // ReadMembers; true when the state is kZipRead.
    bool ReadFileList(const CCatalogueEnvironment& env) override;
    // Saves the tagged names, empties the member list, reads the archive
    // (showing "Scanning zip '<name>'..." in the status bar of the drive's
    // view; multi-volume archives only for kind 100) and restores the
    // tags. A failed read of a kind-2 directory makes it kind 3. Memory
    // running out gives kZipDamaged with kUnzipOutOfMemory, never an
    // exception.
    ZipReadOutcome ReadMembers();
    // Remembers the full paths of the tagged members, then frees the list.
    void FreeFileList() override;

    // Reads the members now (ReadFileList with the drive's environment)
    // and returns the scan state.
    int Scan();
    // Scan with the wait cursor shown and the view told before and after.
    int Rescan();

    // The zip file's full path.
    const std::string& ZipPath() const { return Path(); }
    // The part of the path after its last '\'.
    std::string DisplayName() const;
    // Makes room for count members before a read adds them.
    void ReserveMembers(size_t count) { m_files.reserve(count); }

    // A file name that marks a zip file: at least four characters, ending
    // in ".zip" without regard to case.
    static bool IsZipFileName(std::string_view name);

  private:
    const CCatalogueEnvironment& ScanEnvironment() const;
    // Reads the archive's members into the (empty) list.
    ZipReadOutcome ReadArchive();

    int m_kind;
    int m_scanState = kZipNotScanned;
    // Full paths of the members that were tagged when the list was last
    // freed; restored by the next read when the catalogue keeps tags.
    std::vector<std::string> m_taggedPaths;
};

} // namespace vorlane::catalogue
