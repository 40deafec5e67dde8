#include "platform/File.h"

#include "platform/FaultInjection.h"
#include "platform/private/FsUtil.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform {

namespace {

// Largest single read or write request; the kernel caps one call near 2 GiB.
constexpr size_t kMaxIo = size_t(1) << 30;

// Longest part of the target's name kept in a temporary name, so the
// temporary name stays within NAME_MAX.
constexpr size_t kTempNameStem = 100;

// Links followed when WriteFileAtomically resolves a link to its file.
constexpr int kMaxLinkHops = 40;

int OpenFlagsFor(unsigned flags) {
    int result = O_CLOEXEC;
    if ((flags & kOpenReadWrite) == kOpenReadWrite)
        result |= O_RDWR;
    else if (flags & kOpenWrite)
        result |= O_WRONLY;
    else
        result |= O_RDONLY;
    if (flags & kOpenCreate)
        result |= O_CREAT;
    if (flags & kOpenExclusive)
        result |= O_EXCL;
    if (flags & kOpenTruncate)
        result |= O_TRUNC;
    if (flags & kOpenAppend)
        result |= O_APPEND;
    if (flags & kOpenNoFollow)
        result |= O_NOFOLLOW;
    return result;
}

// The file behind a chain of symbolic links (the path itself when it is no
// link). A dangling chain ends at the missing name, which is then created.
std::string ResolveLinks(const std::string& hostPath) {
    std::string path = hostPath;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size())
            return path;
        target.resize(static_cast<size_t>(n));
        path = target.front() == '/' ? target : HostDirName(path) + "/" + target;
    }
    return path;
}

} // namespace

// ---- File -----------------------------------------------------------------

File::~File() {
    if (m_fd >= 0)
        ::close(m_fd);
}

File::File(File&& other) noexcept : m_fd(other.m_fd), m_path(std::move(other.m_path)) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.m_fd;
        m_path = std::move(other.m_path);
        other.m_fd = -1;
    }
    return *this;
}

bool File::Open(const std::string& hostPath, unsigned flags, SysError* err, mode_t mode) {
    Close(nullptr);
    m_path = hostPath;
    if (int e = fault::Check(fault::Op::Open))
        return SetError(err, e, "Cannot open", hostPath);
    int fd;
    do {
        fd = ::open(hostPath.c_str(), OpenFlagsFor(flags), mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return SetError(err, errno, "Cannot open", hostPath);
    m_fd = fd;
    return true;
}

File File::Adopt(int fd, std::string path) {
    File file;
    file.m_fd = fd;
    file.m_path = std::move(path);
    return file;
}

bool File::OpenAt(int dirFd, const std::string& name, unsigned flags, SysError* err, mode_t mode) {
    Close(nullptr);
    m_path = name;
    if (int e = fault::Check(fault::Op::Open))
        return SetError(err, e, "Cannot open", name);
    int fd;
    do {
        fd = ::openat(dirFd, name.c_str(), OpenFlagsFor(flags), mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return SetError(err, errno, "Cannot open", name);
    m_fd = fd;
    return true;
}

int File::Release() {
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool File::Read(void* buffer, size_t size, size_t* got, SysError* err) {
    *got = 0;
    if (int e = fault::Check(fault::Op::Read))
        return SetError(err, e, "Cannot read", m_path);
    ssize_t n;
    do {
        n = ::read(m_fd, buffer, size < kMaxIo ? size : kMaxIo);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return SetError(err, errno, "Cannot read", m_path);
    *got = static_cast<size_t>(n);
    return true;
}

bool File::ReadExactly(void* buffer, size_t size, SysError* err) {
    char* out = static_cast<char*>(buffer);
    while (size > 0) {
        size_t got = 0;
        if (!Read(out, size, &got, err))
            return false;
        if (got == 0)
            return SetDosError(err, kDosReadFault, "Unexpected end of file in '" + m_path + "'");
        out += got;
        size -= got;
    }
    return true;
}

bool File::Write(const void* data, size_t size, SysError* err) {
    if (int e = fault::Check(fault::Op::Write))
        return SetError(err, e, "Cannot write", m_path);
    const char* in = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_fd, in, size < kMaxIo ? size : kMaxIo);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SetError(err, errno, "Cannot write", m_path);
        }
        if (n == 0)
            return SetError(err, ENOSPC, "Cannot write", m_path);
        in += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool File::PRead(void* buffer, size_t size, uint64_t offset, size_t* got, SysError* err) {
    *got = 0;
    if (offset > static_cast<uint64_t>(INT64_MAX))
        return SetError(err, EINVAL, "Cannot read", m_path);
    if (int e = fault::Check(fault::Op::Read))
        return SetError(err, e, "Cannot read", m_path);
    ssize_t n;
    do {
        n = ::pread(m_fd, buffer, size < kMaxIo ? size : kMaxIo, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return SetError(err, errno, "Cannot read", m_path);
    *got = static_cast<size_t>(n);
    return true;
}

bool File::PWrite(const void* data, size_t size, uint64_t offset, SysError* err) {
    if (offset > static_cast<uint64_t>(INT64_MAX) - size)
        return SetError(err, EFBIG, "Cannot write", m_path);
    if (int e = fault::Check(fault::Op::Write))
        return SetError(err, e, "Cannot write", m_path);
    const char* in = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(m_fd, in, size < kMaxIo ? size : kMaxIo, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SetError(err, errno, "Cannot write", m_path);
        }
        if (n == 0)
            return SetError(err, ENOSPC, "Cannot write", m_path);
        in += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool File::Seek(int64_t offset, int whence, uint64_t* newOffset, SysError* err) {
    off_t at = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (at < 0)
        return SetError(err, errno, "Cannot seek in", m_path);
    if (newOffset)
        *newOffset = static_cast<uint64_t>(at);
    return true;
}

bool File::Size(uint64_t* size, SysError* err) const {
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return SetError(err, errno, "Cannot read the size of", m_path);
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool File::Sync(SysError* err) {
    if (int e = fault::Check(fault::Op::Fsync))
        return SetError(err, e, "Cannot flush", m_path);
    if (::fsync(m_fd) != 0)
        return SetError(err, errno, "Cannot flush", m_path);
    return true;
}

bool File::Truncate(uint64_t size, SysError* err) {
    if (size > static_cast<uint64_t>(INT64_MAX))
        return SetError(err, EFBIG, "Cannot set the size of", m_path);
    if (int e = fault::Check(fault::Op::Truncate))
        return SetError(err, e, "Cannot set the size of", m_path);
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return SetError(err, errno, "Cannot set the size of", m_path);
    return true;
}

bool File::Close(SysError* err) {
    if (m_fd < 0)
        return true;
    int fd = m_fd;
    m_fd = -1;
    // Linux releases the descriptor even when close fails; never retry it.
    if (::close(fd) != 0 && errno != EINTR)
        return SetError(err, errno, "Cannot close", m_path);
    return true;
}

// ---- TempFile -------------------------------------------------------------

TempFile::~TempFile() {
    Discard();
}

bool TempFile::Create(const std::string& targetPath, SysError* err, mode_t mode) {
    Discard();
    std::string dir = HostDirName(targetPath);
    std::string stem = detail::Utf8Prefix(HostBaseName(targetPath), kTempNameStem);
    SysError last;
    // A clash with an existing name is retried under a new random name;
    // any other failure ends the attempt.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = dir + "/." + stem + "." + detail::RandomHex(8) + "~vtmp";
        File file;
        if (file.Open(candidate, kOpenReadWrite | kOpenCreate | kOpenExclusive | kOpenNoFollow,
                      &last, mode)) {
            m_file = std::move(file);
            m_tempPath = std::move(candidate);
            m_targetPath = targetPath;
            return true;
        }
        if (last.sysErrno != EEXIST)
            break;
    }
    if (err)
        *err = last;
    return false;
}

bool TempFile::Commit(SysError* err, bool replace, bool sync) {
    if (m_tempPath.empty())
        return SetDosError(err, kDosInvalidHandle, "No temporary file to commit");
    if (sync && !m_file.Sync(err)) {
        Discard();
        return false;
    }
    if (!m_file.Close(err)) {
        Discard();
        return false;
    }
    if (int e = fault::Check(fault::Op::Rename)) {
        SetError(err, e, "Cannot replace", m_targetPath);
        Discard();
        return false;
    }
    // Made before the rename: nothing after it may run out of memory and
    // report a failure for a file that is in place.
    const std::string directory = sync ? HostDirName(m_targetPath) : std::string();
    int rc = 0;
    if (replace)
        rc = ::rename(m_tempPath.c_str(), m_targetPath.c_str()) == 0 ? 0 : errno;
    else
        rc = detail::RenameNoReplace(AT_FDCWD, m_tempPath.c_str(), AT_FDCWD, m_targetPath.c_str());
    if (rc != 0) {
        SetError(err, rc, replace ? "Cannot replace" : "Cannot create", m_targetPath);
        Discard();
        return false;
    }
    m_tempPath.clear();
    if (sync)
        return SyncDirectory(directory, err);
    return true;
}

void TempFile::Discard() {
    m_file.Close(nullptr);
    if (!m_tempPath.empty()) {
        // Removal of our own temporary file is not a fault-injection point:
        // a test that fails an unlink must not leave temporary files behind.
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

// ---- whole files ----------------------------------------------------------

bool SyncDirectory(const std::string& hostDir, SysError* err) {
    if (int e = fault::Check(fault::Op::Fsync))
        return SetError(err, e, "Cannot flush the directory", hostDir);
    int fd = ::open(hostDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return SetError(err, errno, "Cannot open the directory", hostDir);
    int rc = ::fsync(fd);
    int e = errno;
    ::close(fd);
    // Some file systems cannot fsync a directory; that is no failure of ours.
    if (rc != 0 && e != EINVAL && e != ENOTSUP)
        return SetError(err, e, "Cannot flush the directory", hostDir);
    return true;
}

bool SyncFileSystem(const std::string& hostDir, SysError* err) {
    if (int e = fault::Check(fault::Op::Fsync))
        return SetError(err, e, "Cannot flush the file system of", hostDir);
    int fd = ::open(hostDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return SetError(err, errno, "Cannot open the directory", hostDir);
    int rc = ::syncfs(fd);
    int e = errno;
    ::close(fd);
    if (rc != 0)
        return SetError(err, e, "Cannot flush the file system of", hostDir);
    return true;
}

bool WriteFileAtomically(const std::string& hostPath, std::string_view data, SysError* err) {
    std::string target = ResolveLinks(hostPath);
    struct stat old;
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return SetError(err, EISDIR, "Cannot replace", target);

    TempFile temp;
    if (!temp.Create(target, err, exists ? 0600 : 0644))
        return false;
    if (exists) {
        int fd = temp.file().Descriptor();
        struct stat mine;
        // Keep the owner where we may (root, or a group we belong to), then
        // the mode (after the owner: a change of owner clears set-id bits).
        if (::fstat(fd, &mine) == 0 && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid))
            (void)::fchown(fd, old.st_uid, old.st_gid);
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            SetError(err, errno, "Cannot set the mode of", temp.Path());
            return false;
        }
    }
    if (!temp.file().Write(data, err))
        return false;
    return temp.Commit(err, true, true);
}

bool ReadWholeFile(const std::string& hostPath, std::string* data, SysError* err) {
    data->clear();
    if (int e = fault::Check(fault::Op::Open))
        return SetError(err, e, "Cannot open", hostPath);
    // Non-blocking open: a FIFO in the file's place must not hang the program.
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return SetError(err, errno, "Cannot open", hostPath);
    File file = File::Adopt(fd, hostPath);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return SetError(err, errno, "Cannot open", hostPath);
    if (!S_ISREG(st.st_mode))
        return SetError(err, S_ISDIR(st.st_mode) ? EISDIR : EINVAL,
                        "Not a regular file:", hostPath);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    std::string out;
    if (st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        size_t got = 0;
        if (!file.Read(buffer, sizeof buffer, &got, err))
            return false;
        if (got == 0)
            break;
        out.append(buffer, got);
    }
    *data = std::move(out);
    return true;
}

std::string HostDirName(const std::string& hostPath) {
    size_t end = hostPath.size();
    while (end > 1 && hostPath[end - 1] == '/')
        --end;
    size_t slash = hostPath.rfind('/', end - 1);
    if (slash == std::string::npos)
        return ".";
    while (slash > 0 && hostPath[slash - 1] == '/')
        --slash;
    return slash == 0 ? "/" : hostPath.substr(0, slash);
}

std::string HostBaseName(const std::string& hostPath) {
    size_t end = hostPath.size();
    while (end > 1 && hostPath[end - 1] == '/')
        --end;
    if (end == 0)
        return "";
    size_t slash = hostPath.rfind('/', end - 1);
    if (slash == std::string::npos)
        return hostPath.substr(0, end);
    if (slash == 0 && end == 1)
        return "/";
    return hostPath.substr(slash + 1, end - slash - 1);
}

} // namespace vorlane::platform
