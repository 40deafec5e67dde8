#include "zip/private/ZipArchiveFile.h"

#include "zip/private/ZipArchiveLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace vorlane::zip {

namespace {

constexpr size_t kReadAhead = 256 * 1024;
constexpr size_t kWriteBuffer = 1024 * 1024;

} // namespace

ZipArchiveFile::ZipArchiveFile(std::string hostPath) : m_path(std::move(hostPath)) {
    zip_error_init(&m_error);
}

ZipArchiveFile::~ZipArchiveFile() {
    if (m_committedFd >= 0)
        ::close(m_committedFd);
    m_temp.Discard();
    zip_error_fini(&m_error);
}

zip_source_t* ZipArchiveFile::CreateSource(zip_error_t* error) {
    return zip_source_function_create(&ZipArchiveFile::Callback, this, error);
}

void ZipArchiveFile::SetArchiveStart(uint64_t shift, uint64_t prefixLength) {
    m_shift = shift;
    m_prefix = prefixLength;
}

int ZipArchiveFile::TakeCommittedDescriptor() {
    const int fd = m_committedFd;
    m_committedFd = -1;
    return fd;
}

bool ZipArchiveFile::WriteWhole(std::string_view bytes) {
    if (BeginWrite() != 0)
        return false;
    if (Write(bytes.data(), bytes.size()) < 0) {
        RollbackWrite();
        return false;
    }
    return CommitWrite() == 0;
}

zip_int64_t ZipArchiveFile::Callback(void* user, void* data, zip_uint64_t length,
                                     zip_source_cmd_t command) {
    auto* self = static_cast<ZipArchiveFile*>(user);
    // No exception may cross libzip's C code: memory running out is a
    // failed command, which libzip rolls back.
    try {
        return self->Handle(data, length, command);
    } catch (const std::bad_alloc&) {
        return self->Fail(ZIP_ER_MEMORY, 0);
    }
}

zip_int64_t ZipArchiveFile::Fail(int zipError, int sysErrno) {
    zip_error_set(&m_error, zipError, sysErrno);
    return -1;
}

zip_int64_t ZipArchiveFile::Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
    case ZIP_SOURCE_OPEN:
        if (!m_in.IsOpen() && !m_in.Open(m_path, platform::kOpenRead, &m_sysError)) {
            m_readFailed = true;
            return Fail(ZIP_ER_OPEN, m_sysError.sysErrno);
        }
        if (!m_in.Size(&m_inSize, &m_sysError)) {
            m_readFailed = true;
            return Fail(ZIP_ER_READ, m_sysError.sysErrno);
        }
        // libzip's view starts at the shift: the size it sees is what follows.
        m_inSize = m_inSize > m_shift ? m_inSize - m_shift : 0;
        m_readPos = 0;
        m_cache.clear();
        return 0;
    case ZIP_SOURCE_READ:
        return Read(data, length);
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT:
        return Stat(data, length);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&m_error, data, length);
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SEEK: {
        zip_int64_t pos =
            zip_source_seek_compute_offset(m_readPos, m_inSize, data, length, &m_error);
        if (pos < 0)
            return -1;
        m_readPos = static_cast<uint64_t>(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(m_readPos);
    case ZIP_SOURCE_BEGIN_WRITE:
        return BeginWrite();
    case ZIP_SOURCE_WRITE:
        return Write(data, length);
    case ZIP_SOURCE_SEEK_WRITE: {
        uint64_t current = m_bufferStart + m_buffer.size();
        zip_int64_t pos =
            zip_source_seek_compute_offset(current, m_writeEnd, data, length, &m_error);
        if (pos < 0)
            return -1;
        if (!FlushWrite())
            return -1;
        m_bufferStart = static_cast<uint64_t>(pos);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(m_bufferStart + m_buffer.size());
    case ZIP_SOURCE_COMMIT_WRITE:
        return CommitWrite();
    case ZIP_SOURCE_ROLLBACK_WRITE:
        RollbackWrite();
        return 0;
    case ZIP_SOURCE_REMOVE: {
        m_in.Close();
        if (::unlink(m_path.c_str()) != 0 && errno != ENOENT)
            return Fail(ZIP_ER_REMOVE, errno);
        return 0;
    }
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
            ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE,
            ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE, ZIP_SOURCE_REMOVE, -1);
    default:
        return Fail(ZIP_ER_OPNOTSUPP, 0);
    }
}

zip_int64_t ZipArchiveFile::Stat(void* data, zip_uint64_t length) {
    zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &m_error);
    if (st == nullptr)
        return -1;
    struct stat info;
    int rc = m_in.IsOpen() ? ::fstat(m_in.Descriptor(), &info) : ::stat(m_path.c_str(), &info);
    if (rc != 0) // libzip takes (ZIP_ER_READ, ENOENT) as "does not exist yet"
        return Fail(ZIP_ER_READ, errno);
    zip_stat_init(st);
    st->valid = ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    st->size = size > m_shift ? size - m_shift : 0;
    st->mtime = info.st_mtime;
    return sizeof(*st);
}

zip_int64_t ZipArchiveFile::Read(void* data, zip_uint64_t length) {
    uint8_t* out = static_cast<uint8_t*>(data);
    uint64_t done = 0;
    while (done < length && m_readPos < m_inSize) {
        uint64_t want = std::min<uint64_t>(length - done, m_inSize - m_readPos);
        if (m_readPos >= m_cacheStart && m_readPos < m_cacheStart + m_cache.size()) {
            uint64_t at = m_readPos - m_cacheStart;
            uint64_t n = std::min<uint64_t>(want, m_cache.size() - at);
            std::memcpy(out + done, m_cache.data() + at, n);
            done += n;
            m_readPos += n;
            continue;
        }
        size_t got = 0;
        if (want >= kReadAhead) { // large reads bypass the cache
            if (!m_in.PRead(out + done, want, m_shift + m_readPos, &got, &m_sysError)) {
                m_readFailed = true;
                return Fail(ZIP_ER_READ, m_sysError.sysErrno);
            }
            if (got == 0)
                break;
            done += got;
            m_readPos += got;
            continue;
        }
        m_cache.resize(kReadAhead);
        if (!m_in.PRead(m_cache.data(), kReadAhead, m_shift + m_readPos, &got, &m_sysError)) {
            m_cache.clear();
            m_readFailed = true;
            return Fail(ZIP_ER_READ, m_sysError.sysErrno);
        }
        m_cache.resize(got);
        m_cacheStart = m_readPos;
        if (got == 0)
            break; // the file shrank under us: end of file
    }
    return static_cast<zip_int64_t>(done);
}

zip_int64_t ZipArchiveFile::BeginWrite() {
    struct stat info;
    bool existed = ::stat(m_path.c_str(), &info) == 0;
    if (!m_temp.Create(m_path, &m_sysError, 0666)) {
        m_writeFailed = true;
        return Fail(ZIP_ER_TMPOPEN, m_sysError.sysErrno);
    }
    // The new archive keeps the old one's permission bits (and, when we
    // may, its owner); a new archive gets 0666 less the umask.
    int fd = m_temp.file().Descriptor();
    if (existed) {
        if (::fchown(fd, info.st_uid, info.st_gid) != 0) {
            // Not ours to give away: keep our own ownership.
        }
        ::fchmod(fd, info.st_mode & 07777);
    }
    // Held until the rename: a file of ours that nobody holds is debris.
    LockTemporary(fd);
    m_writing = true;
    m_changed = false;
    m_buffer.clear();
    m_buffer.reserve(kWriteBuffer);
    m_bufferStart = 0;
    m_writeEnd = 0;
    if (!CopyPrefix()) {
        RollbackWrite();
        return -1;
    }
    return 0;
}

// The program in front of the old archive goes in front of the new one;
// libzip then writes from the prefix's end and takes its positions (the
// offsets it records) from there, so they count from the file's start.
bool ZipArchiveFile::CopyPrefix() {
    if (m_prefix == 0)
        return true;
    if (!m_in.IsOpen() && !m_in.Open(m_path, platform::kOpenRead, &m_sysError)) {
        m_readFailed = true;
        Fail(ZIP_ER_READ, m_sysError.sysErrno);
        return false;
    }
    std::vector<uint8_t> chunk(std::min<uint64_t>(m_prefix, kWriteBuffer));
    for (uint64_t at = 0; at < m_prefix;) {
        size_t got = 0;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), m_prefix - at));
        if (!m_in.PRead(chunk.data(), want, at, &got, &m_sysError) || got == 0) {
            m_readFailed = true;
            Fail(ZIP_ER_READ, got == 0 ? 0 : m_sysError.sysErrno);
            return false;
        }
        if (!m_temp.file().PWrite(chunk.data(), got, at, &m_sysError)) {
            m_writeFailed = true;
            Fail(ZIP_ER_WRITE, m_sysError.sysErrno);
            return false;
        }
        at += got;
    }
    m_bufferStart = m_prefix;
    m_writeEnd = m_prefix;
    return true;
}

bool ZipArchiveFile::FlushWrite() {
    if (m_buffer.empty())
        return true;
    if (!m_temp.file().PWrite(m_buffer.data(), m_buffer.size(), m_bufferStart, &m_sysError)) {
        m_writeFailed = true;
        Fail(ZIP_ER_WRITE, m_sysError.sysErrno);
        return false;
    }
    m_bufferStart += m_buffer.size();
    m_buffer.clear();
    return true;
}

zip_int64_t ZipArchiveFile::Write(const void* data, zip_uint64_t length) {
    if (!m_writing)
        return Fail(ZIP_ER_INTERNAL, 0);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (m_buffer.size() + length > kWriteBuffer) {
        if (!FlushWrite())
            return -1;
        if (length >= kWriteBuffer) {
            if (!m_temp.file().PWrite(bytes, length, m_bufferStart, &m_sysError)) {
                m_writeFailed = true;
                return Fail(ZIP_ER_WRITE, m_sysError.sysErrno);
            }
            m_bufferStart += length;
            m_writeEnd = std::max(m_writeEnd, m_bufferStart);
            return static_cast<zip_int64_t>(length);
        }
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + length);
    m_writeEnd = std::max<uint64_t>(m_writeEnd, m_bufferStart + m_buffer.size());
    return static_cast<zip_int64_t>(length);
}

zip_int64_t ZipArchiveFile::CommitWrite() {
    if (!FlushWrite()) {
        RollbackWrite();
        return -1;
    }
    m_writing = false;
    // Another program (one that takes no lock) may have replaced or
    // rewritten the archive since it was read: its change would be lost.
    if (m_replaceCheck && !m_replaceCheck()) {
        m_changed = true;
        m_temp.Discard();
        return Fail(ZIP_ER_CHANGED, 0);
    }
    // A second descriptor keeps the temporary file's lock through the
    // rename, when it becomes the archive's.
    const int keep = ::fcntl(m_temp.file().Descriptor(), F_DUPFD_CLOEXEC, 0);
    if (!m_temp.Commit(&m_sysError, /*replace=*/true, /*sync=*/true)) {
        if (keep >= 0)
            ::close(keep);
        m_writeFailed = true;
        m_temp.Discard();
        return Fail(ZIP_ER_RENAME, m_sysError.sysErrno);
    }
    if (m_committedFd >= 0)
        ::close(m_committedFd);
    m_committedFd = keep;
    return 0;
}

void ZipArchiveFile::RollbackWrite() {
    m_writing = false;
    m_buffer.clear();
    m_temp.Discard();
}

} // namespace vorlane::zip
