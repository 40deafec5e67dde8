#include "objdb/private/BlockFile.h"

#include "platform/FaultInjection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::objdb::detail {

namespace fault = platform::fault;

BlockFile::~BlockFile() {
    Close();
}

int BlockFile::Open(const std::string& path, bool writable) {
    Close();
    if (int e = fault::Check(fault::Op::Open))
        return e;
    int fd;
    do {
        // Non-blocking, so a FIFO in the file's place cannot hang the open.
        fd = ::open(path.c_str(),
                    (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    struct stat st;
    int e = 0;
    if (::fstat(fd, &st) != 0)
        e = errno;
    else if (S_ISDIR(st.st_mode))
        e = EISDIR;
    else if (!S_ISREG(st.st_mode))
        e = EINVAL;
    if (e != 0) {
        ::close(fd);
        return e;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    return 0;
}

int BlockFile::Lock(bool exclusive) {
    int rc;
    do {
        rc = ::flock(m_fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

void BlockFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

int BlockFile::Read(void* buffer, size_t size, uint64_t offset, size_t* got) {
    struct iovec iov = {buffer, size};
    return ReadV(&iov, 1, offset, got);
}

int BlockFile::ReadV(const struct iovec* iov, int count, uint64_t offset, size_t* got) {
    *got = 0;
    if (int e = fault::Check(fault::Op::Read))
        return e;
    struct iovec rest[4];
    std::copy(iov, iov + count, rest);
    struct iovec* at = rest;
    int left = count;
    while (left > 0) {
        if (at->iov_len == 0) {
            ++at, --left;
            continue;
        }
        ssize_t n = ::preadv(m_fd, at, left, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0; // end of file
        *got += size_t(n);
        offset += uint64_t(n);
        while (n > 0) {
            size_t take = std::min(size_t(n), at->iov_len);
            at->iov_base = static_cast<char*>(at->iov_base) + take;
            at->iov_len -= take;
            n -= ssize_t(take);
            if (at->iov_len == 0 && left > 0)
                ++at, --left;
        }
    }
    return 0;
}

int BlockFile::Write(const void* data, size_t size, uint64_t offset) {
    struct iovec iov = {const_cast<void*>(data), size};
    return WriteV(&iov, 1, offset);
}

int BlockFile::WriteV(const struct iovec* iov, int count, uint64_t offset) {
    if (int e = fault::Check(fault::Op::Write))
        return e;
    struct iovec rest[4];
    std::copy(iov, iov + count, rest);
    struct iovec* at = rest;
    int left = count;
    while (left > 0) {
        if (at->iov_len == 0) {
            ++at, --left;
            continue;
        }
        ssize_t n = ::pwritev(m_fd, at, left, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        offset += uint64_t(n);
        while (n > 0) {
            size_t take = std::min(size_t(n), at->iov_len);
            at->iov_base = static_cast<char*>(at->iov_base) + take;
            at->iov_len -= take;
            n -= ssize_t(take);
            if (at->iov_len == 0 && left > 0)
                ++at, --left;
        }
    }
    return 0;
}

int BlockFile::DataSync() {
    if (int e = fault::Check(fault::Op::Fsync))
        return e;
    int rc;
    do {
        rc = ::fdatasync(m_fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

int BlockFile::Size(uint64_t* size) {
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return errno;
    *size = uint64_t(st.st_size);
    return 0;
}

int BlockFile::Extend(uint64_t size) {
    uint64_t now = 0;
    if (int e = Size(&now))
        return e;
    if (now >= size)
        return 0;
    if (int e = fault::Check(fault::Op::Truncate))
        return e;
    int rc;
    do {
        rc = ::ftruncate(m_fd, off_t(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

} // namespace vorlane::objdb::detail
