#include "platform/LockFile.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace vorlane::platform {

LockFile::~LockFile() {
    Release();
}

LockFile::LockFile(LockFile&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

LockFile& LockFile::operator=(LockFile&& other) noexcept {
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool LockFile::Acquire(const std::string& hostPath, bool create, SysError* err) {
    Release();
    if (int injected = fault::Check(fault::Op::Open))
        return SetError(err, injected, "Cannot open", hostPath);
    int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
    int fd;
    do {
        fd = ::open(hostPath.c_str(), flags, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return SetError(err, errno, "Cannot open", hostPath);
    // Each LockFile opens its own file description, so a second LockFile on
    // the same file conflicts even inside this process.
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            SetDosError(err, kDosSharingViolation,
                        "'" + hostPath + "' is in use by another program");
            if (err)
                err->sysErrno = error;
            return false;
        }
        return SetError(err, error, "Cannot lock", hostPath);
    }
    m_fd = fd;
    return err ? err->Clear() : true;
}

void LockFile::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace vorlane::platform
