// ZipArchiveFile: the libzip source through which the zip engine reads and
// rewrites an archive on disk, in place of libzip's own file source.
//
// Reading goes through a read-ahead cache (libzip reads many small pieces:
// each member's local header, then its data), so rewriting an archive of
// 100,000 members costs a few thousand system calls, not half a million.
// Writing goes into a platform::TempFile beside the archive (created
// exclusively, never through a link) through a 1 MiB buffer; the commit
// fsyncs it, gives it the old archive's permission bits, renames it over
// the archive and fsyncs the directory, so a crash leaves the old archive
// or the new one. A rollback removes the temporary file. Every open, read,
// write, fsync and rename passes the platform's fault-injection seam.
//
// An archive behind a program (a self-extractor) keeps that program: the
// new archive starts with the same prefix bytes and its offsets count from
// the start of the file, as Info-ZIP's `zip -A` leaves them. libzip sees
// the old archive from its own start when its offsets were never adjusted
// (SetArchiveStart). The temporary file is locked while it is written, so
// the sweep of stale temporaries (ZipArchiveLock) never takes it, and the
// rename is refused when the archive changed since it was read.
//
// The path given must already be resolved (no symbolic link as its last
// component): the rename then replaces the link's target and the link
// survives. Owned by the caller; it must outlive the zip_t it was given to
// (libzip's free command does not delete it). One thread at a time.
#pragma once

#include "platform/File.h"
#include "platform/SysError.h"

#include <zip.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::zip {

class ZipArchiveFile {
  public:
    explicit ZipArchiveFile(std::string hostPath);
    ~ZipArchiveFile();
    ZipArchiveFile(const ZipArchiveFile&) = delete;
    ZipArchiveFile& operator=(const ZipArchiveFile&) = delete;

    // A new libzip source over this object (reference count 1); null on
    // failure. Hand it to zip_open_from_source.
    zip_source_t* CreateSource(zip_error_t* error);

    // Reads the archive through this already open descriptor (one whose
    // identity the caller checked) instead of opening the path.
    void UseOpenFile(platform::File file) { m_in = std::move(file); }
    // The old archive seen by libzip from byte shift on (an archive whose
    // offsets count from its own start), and the first prefixLength bytes
    // of the old file copied in front of the new archive. Call before
    // libzip opens the source.
    void SetArchiveStart(uint64_t shift, uint64_t prefixLength);
    // Called just before the rename; false refuses it (ArchiveChanged()).
    void SetReplaceCheck(std::function<bool()> check) { m_replaceCheck = std::move(check); }
    // Writes a whole new archive (the prefix, then bytes) without libzip,
    // through the same temporary file, check and rename.
    bool WriteWhole(std::string_view bytes);
    // After a successful rename: a descriptor of the new archive that
    // holds the lock its temporary file held while it was written (the
    // caller closes it); -1 when there is none.
    int TakeCommittedDescriptor();

    // What went wrong on the write side (temporary file, write, fsync,
    // rename), when anything did; the read side sets readFailed.
    bool WriteFailed() const { return m_writeFailed; }
    bool ReadFailed() const { return m_readFailed; }
    // The replace check refused the rename: nothing was changed.
    bool ArchiveChanged() const { return m_changed; }
    const platform::SysError& LastError() const { return m_sysError; }

  private:
    static zip_int64_t Callback(void* user, void* data, zip_uint64_t length,
                                zip_source_cmd_t command);
    zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command);

    zip_int64_t Fail(int zipError, int sysErrno);
    zip_int64_t Stat(void* data, zip_uint64_t length);
    zip_int64_t Read(void* data, zip_uint64_t length);
    zip_int64_t BeginWrite();
    zip_int64_t Write(const void* data, zip_uint64_t length);
    bool FlushWrite();
    bool CopyPrefix();
    zip_int64_t CommitWrite();
    void RollbackWrite();

    std::string m_path;
    zip_error_t m_error;
    platform::SysError m_sysError;
    bool m_readFailed = false;
    bool m_writeFailed = false;
    bool m_changed = false;
    int m_committedFd = -1; // the renamed temporary file, still locked
    std::function<bool()> m_replaceCheck;

    // Read side: the archive as it was.
    platform::File m_in;
    uint64_t m_inSize = 0;
    uint64_t m_readPos = 0;
    std::vector<uint8_t> m_cache; // bytes of the archive from m_cacheStart
    uint64_t m_cacheStart = 0;
    uint64_t m_shift = 0;  // file offset of libzip's position 0
    uint64_t m_prefix = 0; // bytes copied in front of the new archive

    // Write side: the new archive.
    platform::TempFile m_temp;
    bool m_writing = false;
    std::vector<uint8_t> m_buffer; // unwritten bytes that belong at m_bufferStart
    uint64_t m_bufferStart = 0;
    uint64_t m_writeEnd = 0; // the new archive's length so far
};

} // namespace vorlane::zip
