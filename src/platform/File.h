// Open files and whole-file writes through the platform layer: every open,
// read, write, fsync, rename, unlink and truncate passes the fault-injection
// seam, so callers can test disk-full and permission failures.
//
// File is a move-only owner of one descriptor (O_CLOEXEC always); closing it
// is the owner's job, and its destructor closes quietly. TempFile is a file
// created exclusively (O_EXCL | O_NOFOLLOW) beside a target under a random
// name; Commit() renames it over the target, and anything else removes it,
// so a failed or abandoned write never leaves a partial file. The copy
// engine, the settings file and every other writer of kept files build on
// these two.
//
// Anyone may call these; none of them keeps global state.
#pragma once

#include "platform/SysError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vorlane::platform {

// Open flags for File::Open.
enum FileOpenFlags : unsigned {
    kOpenRead = 0x01,
    kOpenWrite = 0x02,
    kOpenReadWrite = kOpenRead | kOpenWrite,
    kOpenCreate = 0x04,    // create when missing
    kOpenExclusive = 0x08, // with kOpenCreate: fail (kDosFileExists) when it exists
    kOpenTruncate = 0x10,
    kOpenAppend = 0x20,
    kOpenNoFollow = 0x40, // fail when the last component is a symbolic link
};

class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens hostPath with FileOpenFlags; mode applies when a file is made
    // (less the umask). An open file is closed first.
    bool Open(const std::string& hostPath, unsigned flags, SysError* err = nullptr,
              mode_t mode = 0666);

    // The same relative to a directory descriptor (openat); name is also the
    // text used in error messages.
    bool OpenAt(int dirFd, const std::string& name, unsigned flags, SysError* err = nullptr,
                mode_t mode = 0666);
    // Takes ownership of an open descriptor; path is used in error texts.
    static File Adopt(int fd, std::string path);
    // Gives up ownership of the descriptor without closing it.
    int Release();

    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }
    // The path the file was opened with (used in error texts).
    const std::string& Path() const { return m_path; }

    // Reads up to size bytes; *got is 0 only at end of file.
    bool Read(void* buffer, size_t size, size_t* got, SysError* err = nullptr);
    // Reads exactly size bytes; end of file before that is an error (kDosReadFault).
    bool ReadExactly(void* buffer, size_t size, SysError* err = nullptr);
    // Writes all of data (short writes and EINTR are retried).
    bool Write(const void* data, size_t size, SysError* err = nullptr);
    bool Write(std::string_view data, SysError* err = nullptr) {
        return Write(data.data(), data.size(), err);
    }
    // Positional read and write; the file offset does not move.
    bool PRead(void* buffer, size_t size, uint64_t offset, size_t* got, SysError* err = nullptr);
    bool PWrite(const void* data, size_t size, uint64_t offset, SysError* err = nullptr);
    // whence is SEEK_SET, SEEK_CUR or SEEK_END; newOffset may be null.
    bool Seek(int64_t offset, int whence, uint64_t* newOffset = nullptr, SysError* err = nullptr);
    bool Size(uint64_t* size, SysError* err = nullptr) const;
    // Flushes data and metadata to stable storage (fsync).
    bool Sync(SysError* err = nullptr);
    bool Truncate(uint64_t size, SysError* err = nullptr);
    // Closes the descriptor; a close error (deferred write failure) is reported.
    bool Close(SysError* err = nullptr);

  private:
    int m_fd = -1;
    std::string m_path;
};

// A new file beside a target, made exclusively under a hidden random name in
// the target's directory (".<name>.<random>~vtmp"), never through a link.
// Destroying it or calling Discard() closes and removes it unless Commit()
// succeeded.
class TempFile {
  public:
    TempFile() = default;
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates the temporary file for targetPath with the given mode (less the umask).
    bool Create(const std::string& targetPath, SysError* err = nullptr, mode_t mode = 0600);

    File& file() { return m_file; }
    const std::string& Path() const { return m_tempPath; }
    const std::string& TargetPath() const { return m_targetPath; }

    // Makes the temporary file the target: fsyncs it (when sync), closes it,
    // renames it onto the target (replacing an existing target only when
    // replace; otherwise kDosFileExists), and fsyncs the directory (when
    // sync). On failure before the rename the temporary file is removed and
    // the target is untouched. A failed directory fsync after the rename is
    // reported although the target has been replaced.
    bool Commit(SysError* err = nullptr, bool replace = true, bool sync = true);
    // Closes and removes the temporary file (nothing when there is none).
    void Discard();

  private:
    File m_file;
    std::string m_tempPath;
    std::string m_targetPath;
};

// Fsyncs a directory, so that a rename or a new entry in it survives a crash.
bool SyncDirectory(const std::string& hostDir, SysError* err = nullptr);

// Flushes the whole file system that holds hostDir (syncfs): everything
// written to it so far, files and directories, survives a crash. One call
// for a batch of files costs about what one fsync costs.
bool SyncFileSystem(const std::string& hostDir, SysError* err = nullptr);

// Replaces hostPath with data atomically: a temporary file beside it
// (created exclusively), written, fsynced, renamed over the target, and the
// directory fsynced. On failure the old file is untouched and the
// temporary file is gone. A new file gets mode 0644 less the umask; an
// existing file keeps its mode (and, when we may, its owner). When hostPath
// is a symbolic link, the file it points to is replaced and the link stays.
bool WriteFileAtomically(const std::string& hostPath, std::string_view data,
                         SysError* err = nullptr);

// Reads a whole regular file into *data.
bool ReadWholeFile(const std::string& hostPath, std::string* data, SysError* err = nullptr);

// The directory part of a host path ("/a/b" -> "/a", "b" -> ".", "/b" -> "/").
std::string HostDirName(const std::string& hostPath);
// The last component of a host path (trailing slashes ignored).
std::string HostBaseName(const std::string& hostPath);

} // namespace vorlane::platform
