// ZipArchiveLock: the write lock of one archive, held for the whole
// read-modify-rename of a change, so that two writers (two windows, two
// programs) never start from the same old archive and lose one change.
//
// The lock is an open-file-description lock (F_OFD_SETLK) on the archive
// file itself: it belongs to the descriptor, not to the process, so two
// operations in one process exclude each other too, and it goes when the
// descriptor is closed (a killed writer leaves no lock behind). A change
// renames a new file over the archive, so a waiting writer may wake up
// holding the lock of a file that is no longer the archive: after locking,
// the path must still name the locked file, else the lock is taken again.
//
// A change made of several engine calls (creating an archive, copying
// members between archives) holds the lock across them and hands the
// descriptor to each call (ZipCommandRecord::heldLockFd); a descriptor of
// the same open file description shares the lock. On a file system that
// takes no locks the archive is "held" unlocked, and only the check before
// the rename guards it. A change that commits
// hands the caller a descriptor of the new archive, locked since before
// the rename. Two archives are locked in a fixed order (device, then
// inode: CZipFileOperation::CopyMembers), so two jobs copying A to B and
// B to A cannot deadlock.
//
// While a new archive is written its temporary file is locked the same
// way; a temporary file of the archive's name pattern that nobody holds
// is debris of a killed change and is removed when the archive is next
// locked for writing.
//
// One object per archive and operation; one thread at a time.
#pragma once

#include "platform/SysError.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorlane::zip {

// What identifies the file a path names, and whether it was changed: the
// directory entry's identity (device and inode) and its size and times.
struct ArchiveIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static ArchiveIdentity Of(const struct stat& st);
    bool SameFile(const ArchiveIdentity& o) const { return device == o.device && inode == o.inode; }
    bool operator==(const ArchiveIdentity& o) const {
        return SameFile(o) && size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

class ZipArchiveLock {
  public:
    enum class Result {
        kLocked,  // held
        kMissing, // no file of that name (and none was to be made)
        kBusy,    // another writer holds it (after the wait)
        kFailed,  // the file could not be opened or is not a regular file
    };

    ZipArchiveLock() = default;
    ~ZipArchiveLock() { Release(); }
    ZipArchiveLock(const ZipArchiveLock&) = delete;
    ZipArchiveLock& operator=(const ZipArchiveLock&) = delete;

    // Locks the archive at hostPath (links already resolved). With create,
    // a missing archive is made as an empty file first (exclusively), so a
    // new archive is locked before it exists for others; Created() then
    // says so. A busy lock is tried again every few milliseconds until
    // wait has passed or cancelled() answers true (kBusy either way).
    Result Acquire(const std::string& hostPath, bool create, std::chrono::milliseconds wait,
                   const std::function<bool()>& cancelled = {}, platform::SysError* err = nullptr);
    // Takes a descriptor on which the caller already holds the lock (a
    // descriptor of the same open file description shares it); kLocked
    // when it is a lock of the file hostPath names, else kFailed.
    Result Share(int lockedFd, const std::string& hostPath);
    // Closes the descriptor, which ends the lock unless another descriptor
    // of the same open file description still holds it.
    void Release();

    bool Held() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // True when Acquire made the file (it is still empty unless written).
    bool Created() const { return m_created; }
    // The locked file as it is now (fstat of the descriptor).
    bool Identity(ArchiveIdentity* identity) const;
    // True when the path still names the locked file, unchanged since
    // identity was taken: no other program replaced or rewrote it.
    bool Unchanged(const ArchiveIdentity& identity) const;

    // Removes the temporary files of this archive's name that no live
    // writer holds (debris of killed changes); returns how many went.
    // REQUIRES: Held().
    int RemoveStaleTemporaries() const;

  private:
    Result TryOnce(const std::string& hostPath, bool create, platform::SysError* err);

    int m_fd = -1;
    std::string m_path;
    bool m_created = false;
};

// Follows symbolic links of the archive's own name, so the archive is
// changed (and locked) at the link's target and the link survives. False
// when the chain is too long or the folder that would hold it is missing.
bool ResolveArchivePath(const std::string& hostPath, std::string* resolved);

// Locks the temporary file being written (descriptor fd) so that the sweep
// of stale temporaries leaves it alone; false when it cannot be locked.
bool LockTemporary(int fd);

// True when name is a temporary file name of the platform's TempFile
// pattern (".<name>.<8 hex digits>~vtmp"): never added to an archive.
bool IsTemporaryFileName(std::string_view name);

} // namespace vorlane::zip
