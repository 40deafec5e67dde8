// Files and directories as the program sees them: DOS attributes, DOS date
// and time, the three file times, 64-bit sizes, directory enumeration in the
// manner of find-first/find-next, and the primitive changes (rename, delete,
// make and remove directory, attributes, times).
//
// Every call takes a host path (translate DOS paths with DosToHost first),
// never follows a symbolic link where it changes something (a link is acted
// on as itself: DeleteFile removes the link, not its target), and fails with
// a filled SysError. Calls that change the disk pass through the
// fault-injection seam (renames as Rename, deletes and directory removal as
// Unlink, MakeDirectory as Mkdir, opening a directory as List; StatEntry
// passes it as Stat).
//
// A link to a file acts as the file for reading (StatEntry, GetAttributes,
// GetFileTimes report its target) and as the link for changing: RenameEntry,
// DeleteFile and SetFileTimes act on the link itself, RemoveDirectory
// refuses it, and SetAttributes refuses any change (a link holds neither
// permission bits nor user attributes of its own).
#pragma once

#include "platform/SysError.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorlane::platform {

// DOS attribute bits.
enum FileAttribute : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrVolume = 0x08, // never reported
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
};

// A point in time: seconds and nanoseconds since the Unix epoch (UTC).
struct FileTime {
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
    friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

// DOS packed date and time, computed in local time:
// date = (year - 1980) << 9 | month << 5 | day; time = hour << 11 | minute << 5 | second / 2.
struct DosDateTime {
    uint16_t date = 0;
    uint16_t time = 0;
};
// Times before 1980-01-01 00:00:00 local give that moment (date 0x0021,
// time 0); times after 2107-12-31 23:59:58 give that one (0xFF9F, 0xBF7D).
// Odd seconds round down.
DosDateTime ToDosDateTime(const FileTime& t);
// Fields out of range (month 0 or 13-15, day 0 or past the month's end,
// hour 24-31, minute 60-63, second 60-62) are clamped to the nearest valid
// value; the local time zone decides the offset.
FileTime FromDosDateTime(const DosDateTime& dt);

// What find-first/find-next report for one entry.
struct FileEntry {
    std::string name;         // host name of the entry (not translated)
    uint32_t attributes = 0;  // FileAttribute bits
    uint64_t size = 0;        // bytes; 0 for directories
    DosDateTime dosTime;      // of the last write time
    FileTime creationTime;    // birth time where reported, else last write
    FileTime lastAccessTime;  // atime
    FileTime lastWriteTime;   // mtime
    bool isSymlink = false;   // the entry itself is a symbolic link
    bool isDirectory = false; // a directory, or a link to one (attributes hold kAttrDirectory)
    uint64_t device = 0;      // of the entry (of the target for a link that resolves)
    uint64_t inode = 0;
};

// Reads the entry at hostPath. A link to a directory reports the directory
// (isSymlink set); a dangling link reports the link itself as a file.
bool StatEntry(const std::string& hostPath, FileEntry* entry, SysError* err = nullptr);

// Enumerates one directory, skipping "." and "..". Entries come in the
// order the file system gives them.
class DirectoryReader {
  public:
    DirectoryReader();
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    bool Open(const std::string& hostDir, SysError* err = nullptr);
    // Opens the subdirectory name of an open directory descriptor, never
    // through a symbolic link (a directory swapped for a link while a
    // recursive walk runs fails with ELOOP/ENOTDIR instead of being
    // followed). hostDir is its path, for error texts and attribute reads.
    bool OpenAt(int parentFd, const std::string& name, const std::string& hostDir,
                SysError* err = nullptr);
    // The open directory's descriptor (for openat, unlinkat, and OpenAt of
    // a child), -1 when closed. Owned by the reader.
    int Descriptor() const;
    // Fills entry with the next one; false at the end (err->dosCode 18,
    // "no more files") or on a failure (another code).
    bool Next(FileEntry* entry, SysError* err = nullptr);
    void Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Attributes: read-only from the write permission bits, hidden from a
// leading "." or the stored attribute, system / archive / hidden-without-dot
// in the extended attribute user.DOSATTRIB as text "0x" + hex (the form Wine
// and Samba use; a binary record after a NUL, as Samba writes, is ignored).
// Without the attribute a file has archive set and a directory has not. A
// stored read-only or directory bit is never believed.
bool GetAttributes(const std::string& hostPath, uint32_t* attributes, SysError* err = nullptr);
// Sets the bits (kAttrDirectory and kAttrVolume are ignored). Read-only
// clears every write bit; clearing it gives the owner write permission
// back. The attribute is written only when a stored bit changes (archive
// alone on a file without one writes nothing). A name beginning with "."
// stays hidden whatever is asked. Where the file system refuses extended
// attributes (ENOTSUP) and a stored bit would change, nothing changes and
// the call fails with kDosAccessDenied (sysErrno ENOTSUP) and a text that
// says so.
bool SetAttributes(const std::string& hostPath, uint32_t attributes, SysError* err = nullptr);
// GetAttributes and SetAttributes in one look at the file: choose gets the
// current attributes and returns the wanted ones, or nothing to leave the
// file as it is. A symbolic link is never changed: *isLink is set, choose
// is not called and the call succeeds.
bool ChangeAttributes(const std::string& hostPath,
                      const std::function<std::optional<uint32_t>(uint32_t)>& choose, bool* isLink,
                      SysError* err = nullptr);

// Times. Writing a creation time is accepted and has no effect (Linux
// cannot set a birth time). Null pointers leave that time as it is.
// Nanoseconds outside 0..999999999 are refused (kDosInvalidParameter).
bool GetFileTimes(const std::string& hostPath, FileTime* creation, FileTime* lastAccess,
                  FileTime* lastWrite, SysError* err = nullptr);
bool SetFileTimes(const std::string& hostPath, const FileTime* creation, const FileTime* lastAccess,
                  const FileTime* lastWrite, SysError* err = nullptr);

// Renames or moves within one file system; fails when the target exists
// (kDosFileExists) unless replace is set. Without replace nothing is ever
// clobbered, even by a file made at the same moment (RENAME_NOREPLACE, or a
// hard link where the file system lacks it). Two spellings of the same
// entry ("a/./f", "a/b/../f") are a rename to itself: true, nothing done.
// A case-only change on a file system that ignores case goes through a
// temporary name. Renaming one hard link onto another of the same file
// removes the source name (with replace) or fails (without).
bool RenameEntry(const std::string& from, const std::string& to, bool replace,
                 SysError* err = nullptr);
// Removes a file or a symbolic link (never its target); a directory is
// refused (kDosAccessDenied).
bool DeleteFile(const std::string& hostPath, SysError* err = nullptr);
// Removes the entry name of the open directory dirFd: a file or a link
// (never its target), or with directory set an empty directory (a link is
// refused, never followed). hostPath names the entry in error texts.
// Passes the fault-injection seam as Unlink.
bool DeleteEntryAt(int dirFd, const std::string& name, bool directory, const std::string& hostPath,
                   SysError* err = nullptr);
bool MakeDirectory(const std::string& hostPath, SysError* err = nullptr);
// Removes an empty directory (a link to a directory is refused with
// kDosPathNotFound and stays; a directory with entries gives kDosDirNotEmpty).
bool RemoveDirectory(const std::string& hostPath, SysError* err = nullptr);
// Device and inode equality: the same file reached through any path
// (links followed). False when either cannot be reached.
bool IsSameFile(const std::string& a, const std::string& b);

// The mount an open file or directory lies on: its device and, where the
// kernel tells it, the mount's id (which also tells a bind mount of a
// directory of the same file system apart from that file system).
struct MountIdentity {
    uint64_t device = 0;
    uint64_t mountId = 0;
    bool hasMountId = false;
};
bool GetMountIdentity(int fd, MountIdentity* id, SysError* err = nullptr);
// The same mount: the same device, and the same mount id when both are known.
bool SameMount(const MountIdentity& a, const MountIdentity& b);

} // namespace vorlane::platform
