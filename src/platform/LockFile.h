// An exclusive lock on a file, held for the lifetime of the object: the
// file is opened (created when asked) and locked with a non-blocking
// exclusive lock (flock). A second holder, in this process or another,
// fails with kDosSharingViolation. The lock goes with the process, so a
// crashed holder never leaves a stale lock behind.
#pragma once

#include "platform/SysError.h"

#include <string>

namespace vorlane::platform {

class LockFile {
  public:
    LockFile() = default;
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    LockFile(LockFile&& other) noexcept;
    LockFile& operator=(LockFile&& other) noexcept;

    // Opens (creating when create is set, mode 0600) and locks hostPath.
    bool Acquire(const std::string& hostPath, bool create, SysError* err = nullptr);
    void Release();
    bool Held() const { return m_fd >= 0; }
    // The open descriptor, for callers that read and write the locked file.
    int Fd() const { return m_fd; }

  private:
    int m_fd = -1;
};

} // namespace vorlane::platform
