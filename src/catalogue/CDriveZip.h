// CDriveZip and CDriveMultiVolumeZip: a zip file opened by itself as an
// archive window (drive kind 99), and a multi-volume zip file (kind 100).
// Each is a drive container of the catalogue whose one directory is the
// archive's zip directory (kind 99 or 100), read at once while logging.
// The drive's name is the zip file's full path; its letter the first
// character of that path.
//
// The window's drive list (CDriveItemList) makes them; the GUI captions a
// window with WindowCaption and titles a printed file list with
// PrintJobTitle.
#pragma once

#include "catalogue/CDriveContainer.h"
#include "catalogue/CZipFileDirectory.h"

#include <string>

namespace vorlane::catalogue {

// What the two archive drives share: the zip path as name, the one zip
// directory, and the reading of it.
class CDriveArchive : public CDriveContainer {
  public:
    explicit CDriveArchive(CCatalogueEnvironment* env) : CDriveContainer(env) {}

    // The zip file's full path ("" before logging).
    std::string Name() const override { return m_zipPath; }
    const std::string& ZipPath() const { return m_zipPath; }
    // The one zip directory (null when logging failed or before it).
    CZipFileDirectory* ZipDirectory() const;
    void Reset() override;

  protected:
    // Makes the zip directory of the given kind and reads it; returns it
    // (not yet in the container) and the scan state, and how the read
    // ended (the deferred error is 204 when a multi-volume archive was
    // refused).
    std::unique_ptr<CZipFileDirectory> ReadArchive(int kind, ZipReadOutcome* outcome);
    // Adds the directory, makes it current and sorts the drive, forced.
    void Take(std::unique_ptr<CZipFileDirectory> directory);

    std::string m_zipPath;
};

class CDriveZip : public CDriveArchive {
  public:
    explicit CDriveZip(CCatalogueEnvironment* env = nullptr) : CDriveArchive(env) {}

    int Kind() const override { return kDriveZip; }
    // Logs the zip file at path ("Logging zip file '%s'!"). Fails with
    // "'%s' is NOT a zip file!" (missing or not a zip file), "ZIP file
    // '%s' is damaged!", the multi-volume refusal, or "ZIP file '%s' could
    // not be read!" for an archive that could not be opened or read, or
    // for which memory ran out, followed by the reason ("Permission
    // denied", "Out of memory!") after an empty line.
    bool Log(const std::string& path) override;

  private:
    bool LogArchive(const std::string& path);
    // Shows why the archive (its path as shown) could not be logged.
    void ReportReadFailure(const ZipReadOutcome& outcome, const std::string& shown) const;
};

class CDriveMultiVolumeZip : public CDriveArchive {
  public:
    explicit CDriveMultiVolumeZip(CCatalogueEnvironment* env = nullptr) : CDriveArchive(env) {}

    int Kind() const override { return kDriveMultiVolumeZip; }
    // Logs a multi-volume zip file; it stays logged (with no members) even
    // when it cannot be read. Fails for an empty path and, with "Cannot log
    // drive '%c' - drive is undefined!", for a letter without a drive.
    bool Log(const std::string& path) override;
};

// Messages of logging an archive.
constexpr const char* kLoggingZipText = "Logging zip file '%s'!";
constexpr const char* kNotZipText = "'%s' is NOT a zip file!";
constexpr const char* kDamagedZipText = "ZIP file '%s' is damaged!";
constexpr const char* kNotReadZipText = "ZIP file '%s' could not be read!";
constexpr const char* kUndefinedDriveText = "Cannot log drive '%c' - drive is undefined!";
constexpr const char* kLoggingMultiVolumeText = "Logging multi-volume zip file '%s' on drive %c!";
// Characters of a path in the logging texts and window captions.
constexpr size_t kArchivePathLength = 30;

// "Drive X" for a plain drive; "Zip '<path>'" (path shortened to 30
// characters) for an archive drive.
std::string WindowCaption(const CDriveContainer& drive);
// "Files in ZIP File <path>" or "Files in Directory <path>".
std::string PrintJobTitle(const CDirectoryContainer& directory);

} // namespace vorlane::catalogue
