// CZipFileDirectory: a zip file seen as a directory of the catalogue. A
// drive scan makes one (kind 2) for every zip file it meets, with an empty
// member list and scan state 1; the members are read when the directory
// becomes current and freed when the user leaves it, like a directory's
// files. Archives opened as drives hold one of kind 99 or 100.
//
// Reading the members is the zip module's work: it installs a
// CZipDirectoryReader. Until one is installed a zip directory reads as
// empty and keeps scan state 1.
#pragma once

#include "catalogue/CDirectoryContainer.h"

#include <string>
#include <string_view>

namespace vorlane::catalogue {

class CZipFileDirectory;

// Scan states of a zip directory.
enum ZipScanState : int {
    kZipMissing = 0,    // the file does not exist
    kZipNotScanned = 1, // not read yet
    kZipNotZip = 2,     // not a zip file
    kZipDamaged = 3,
    kZipRead = 4,
};

// Fills a zip directory's member list from its archive.
class CZipDirectoryReader {
  public:
    virtual ~CZipDirectoryReader() = default;
    // Adds the members (AddFile) and returns the scan state.
    virtual int ReadMembers(CZipFileDirectory& directory) = 0;
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

    // Saves the tagged names, empties the member list, reads the archive
    // through the installed reader and restores the tags; true when the
    // state is kZipRead. A failed read of a kind-2 directory makes it kind 3.
    bool ReadFileList(const CCatalogueEnvironment& env) override;

    // A file name that marks a zip file: at least four characters, ending
    // in ".zip" without regard to case.
    static bool IsZipFileName(std::string_view name);

    // The reader every zip directory uses (not owned; null: none).
    static void SetReader(CZipDirectoryReader* reader);
    static CZipDirectoryReader* Reader();

  private:
    int m_kind;
    int m_scanState = kZipNotScanned;
};

} // namespace vorlane::catalogue
