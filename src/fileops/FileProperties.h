// What the properties dialog shows of a file, a directory or a member of a
// zip file, and the count of a directory's contents that runs as a job.
//
// ReadFileProperties reads one entry on the disk by its DOS path: a link to
// a file reports its target's size, times and permissions (it acts as the
// file for reading) and names its target; a dangling link reports the link
// itself. ReadZipMemberProperties reads one member out of its archive's
// central directory (its packed size, method, CRC and comment, which the
// catalogue does not keep).
//
// CDirectorySizeJob counts the files, directories and bytes below a
// directory, walking with directory handles and never through a link (a
// link counts as one file of no bytes, whatever it points to). It
// publishes its running totals in a DirectorySizeProgress that the GUI
// thread reads while the job runs; cancelling the job stops the walk at
// the next entry.
//
//   auto job = std::make_unique<CDirectorySizeJob>("C:\\DOCS");
//   std::shared_ptr<const DirectorySizeProgress> totals = job->Progress();
//   jobs.Start(std::move(job));      // then read totals->files ... as it grows
#pragma once

#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "ui/Job.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vorlane::fileops {

struct FileProperties {
    std::string name;         // the DOS name (the last component of dosPath)
    std::string dosPath;      // as given, normalised
    std::string hostPath;     // where it lies on the host
    std::string typeName;     // the MIME type's description ("Folder" for a directory)
    bool isDirectory = false; // a directory, or a link to one
    bool isLink = false;      // the entry itself is a symbolic link
    std::string linkTarget;   // what the link says, as stored; "" when not a link
    uint64_t size = 0;        // bytes of a file (the target's for a link); 0 for a directory
    platform::FileTime modified;
    platform::FileTime accessed;
    platform::FileTime changed; // the inode's change time
    uint32_t attributes = 0;    // DOS attribute bits
    uint32_t mode = 0;          // permission bits, 07777
    uint32_t uid = 0;
    uint32_t gid = 0;
    std::string owner; // user name, else the number as text
    std::string group; // group name, else the number as text
};

// Reads the entry at dosPath. False (err says why) when it cannot be reached.
bool ReadFileProperties(const std::string& dosPath, const platform::DriveMap& drives,
                        FileProperties* properties, platform::SysError* err = nullptr);

// "rwxr-x---" of the lower nine bits, with s/S and t/T for the special bits.
std::string PermissionText(uint32_t mode);
// "0750" (four digits; five when a special bit is set: "04755").
std::string OctalModeText(uint32_t mode);

struct ZipMemberProperties {
    std::string name; // the member's name as stored
    uint64_t packedSize = 0;
    uint64_t size = 0;
    int ratio = 0;       // whole percent saved
    std::string method;  // "Deflated", "Stored", ...
    uint32_t crc = 0;    // CRC-32 of the member's bytes
    std::string comment; // the member's own comment
    bool encrypted = false;
};

// Reads member realName (as stored, '/' between components) of the archive
// at zipDosPath. False (err says why) when the archive cannot be read or
// holds no such member.
bool ReadZipMemberProperties(const std::string& zipDosPath, const std::string& realName,
                             const platform::DriveMap& drives, ZipMemberProperties* properties,
                             platform::SysError* err = nullptr);
// "%08X" of a CRC.
std::string CrcText(uint32_t crc);

// The running totals of a directory count. Written by the job's thread,
// read by any.
struct DirectorySizeProgress {
    std::atomic<uint64_t> files{0};
    std::atomic<uint64_t> directories{0}; // below the directory, not counting itself
    std::atomic<uint64_t> bytes{0};
    std::atomic<uint64_t> unreadable{0}; // subdirectories that could not be read
    std::atomic<bool> finished{false};   // the walk ended (completed or cancelled)
    std::atomic<bool> cancelled{false};
};

class CDirectorySizeJob : public ui::Job {
  public:
    explicit CDirectorySizeJob(std::string dosDirectory);

    std::shared_ptr<const DirectorySizeProgress> Progress() const { return m_progress; }
    std::string Title() const override { return "Counting " + m_directory; }
    // None: a count only reads, and runs beside the jobs that change a drive.
    std::string DriveLetters() const override { return ""; }
    ui::JobResult Run(ui::OperationContext& context) override;

  private:
    std::string m_directory;
    std::shared_ptr<DirectorySizeProgress> m_progress;
};

} // namespace vorlane::fileops
