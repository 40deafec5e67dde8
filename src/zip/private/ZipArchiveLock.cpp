#include "zip/private/ZipArchiveLock.h"

#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "zip/private/ZipNames.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <thread>
#include <vector>

namespace vorlane::zip {

namespace {

// How often a busy lock is tried again while waiting.
constexpr std::chrono::milliseconds kRetryInterval{10};
// The length of the archive name in the platform's temporary file names
// (".<name cut to this many bytes>.<8 hex digits>~vtmp").
constexpr size_t kTempNameStem = 100;
constexpr std::string_view kTempSuffix = "~vtmp";
constexpr size_t kTempRandomDigits = 8;

// The whole-file write lock of an open file description; false when held
// elsewhere (errno EAGAIN or EACCES) or not possible.
bool LockWhole(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // to the end, however the file grows
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool IsLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// The random part and suffix of a temporary name after its stem: ".", 8
// hex digits, "~vtmp".
bool IsTemporaryTail(std::string_view tail) {
    if (tail.size() != 1 + kTempRandomDigits + kTempSuffix.size() || tail[0] != '.')
        return false;
    for (size_t i = 1; i <= kTempRandomDigits; ++i)
        if (!IsLowerHex(tail[i]))
            return false;
    return tail.substr(1 + kTempRandomDigits) == kTempSuffix;
}

} // namespace

ArchiveIdentity ArchiveIdentity::Of(const struct stat& st) {
    ArchiveIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    return id;
}

bool ResolveArchivePath(const std::string& hostPath, std::string* resolved) {
    std::string path = hostPath;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            size_t slash = path.rfind('/');
            std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
            if (dir.empty())
                dir = "/";
            struct stat dirInfo;
            if (::stat(dir.c_str(), &dirInfo) != 0 || !S_ISDIR(dirInfo.st_mode))
                return false;
            *resolved = path;
            return true;
        }
        std::vector<char> target(PATH_MAX + 1);
        ssize_t n = ::readlink(path.c_str(), target.data(), PATH_MAX);
        if (n <= 0)
            return false;
        std::string next(target.data(), static_cast<size_t>(n));
        if (next[0] != '/') {
            size_t slash = path.rfind('/');
            next = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
        }
        path = next;
    }
    return false;
}

bool IsTemporaryFileName(std::string_view name) {
    const size_t tail = 1 + kTempRandomDigits + kTempSuffix.size();
    return name.size() > tail + 1 && name[0] == '.' &&
           IsTemporaryTail(name.substr(name.size() - tail));
}

bool LockTemporary(int fd) {
    return LockWhole(fd, F_WRLCK);
}

ZipArchiveLock::Result ZipArchiveLock::TryOnce(const std::string& hostPath, bool create,
                                               platform::SysError* err) {
    Release();
    if (int e = platform::fault::Check(platform::fault::Op::Open)) {
        platform::SetError(err, e, "Cannot open", hostPath);
        return Result::kFailed;
    }
    // Writers lock for writing; an archive we may not write (read-only
    // mode, another owner) can still be replaced in a writable folder, and
    // is then held with a read lock: shared, but still seen by the change
    // detection before the rename.
    short type = F_WRLCK;
    int fd = ::open(hostPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        type = F_RDLCK;
        fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    }
    bool created = false;
    if (fd < 0 && errno == ENOENT) {
        if (!create)
            return Result::kMissing;
        fd = ::open(hostPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno == EEXIST)
            return Result::kBusy; // another writer made it this moment: try again
        created = fd >= 0;
    }
    if (fd < 0) {
        platform::SetError(err, errno, "Cannot open", hostPath);
        return Result::kFailed;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        platform::SetError(err, errno != 0 ? errno : EISDIR, "Cannot lock", hostPath);
        ::close(fd);
        return Result::kFailed;
    }
    if (!LockWhole(fd, type)) {
        const int e = errno;
        if (e == EAGAIN || e == EACCES) {
            ::close(fd);
            return Result::kBusy;
        }
        // A file system without locks (ENOLCK, EINVAL, ...) still takes the
        // change, unlocked: the check before the rename still sees another
        // writer's change.
    }
    // The lock is ours; is the file still the archive? A writer that held
    // it may have renamed its new archive over the name meanwhile.
    struct stat now;
    if (::stat(hostPath.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
        ::close(fd);
        return Result::kBusy;
    }
    m_fd = fd;
    m_path = hostPath;
    m_created = created;
    return Result::kLocked;
}

ZipArchiveLock::Result ZipArchiveLock::Acquire(const std::string& hostPath, bool create,
                                               std::chrono::milliseconds wait,
                                               const std::function<bool()>& cancelled,
                                               platform::SysError* err) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        const Result result = TryOnce(hostPath, create, err);
        if (result != Result::kBusy)
            return result;
        if (std::chrono::steady_clock::now() >= deadline || (cancelled && cancelled()))
            return Result::kBusy;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

ZipArchiveLock::Result ZipArchiveLock::Share(int lockedFd, const std::string& hostPath) {
    Release();
    struct stat held;
    struct stat named;
    if (lockedFd < 0 || ::fstat(lockedFd, &held) != 0 || ::stat(hostPath.c_str(), &named) != 0 ||
        held.st_dev != named.st_dev || held.st_ino != named.st_ino)
        return Result::kFailed;
    const int fd = ::fcntl(lockedFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return Result::kFailed;
    m_fd = fd;
    m_path = hostPath;
    m_created = false;
    return Result::kLocked;
}

void ZipArchiveLock::Release() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_created = false;
}

bool ZipArchiveLock::Identity(ArchiveIdentity* identity) const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    *identity = ArchiveIdentity::Of(st);
    return true;
}

bool ZipArchiveLock::Unchanged(const ArchiveIdentity& identity) const {
    struct stat st;
    return m_fd >= 0 && ::stat(m_path.c_str(), &st) == 0 && ArchiveIdentity::Of(st) == identity;
}

int ZipArchiveLock::RemoveStaleTemporaries() const {
    const std::string dir = platform::HostDirName(m_path);
    const std::string stem(Utf8Prefix(platform::HostBaseName(m_path), kTempNameStem));
    platform::DirectoryReader reader;
    if (!reader.Open(dir))
        return 0;
    const int dirFd = reader.Descriptor();
    int removed = 0;
    platform::FileEntry entry;
    while (reader.Next(&entry)) {
        const std::string_view name = entry.name;
        if (name.size() <= 1 + stem.size() || name[0] != '.' ||
            name.substr(1, stem.size()) != stem || !IsTemporaryTail(name.substr(1 + stem.size())))
            continue;
        const int fd =
            ::openat(dirFd, entry.name.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held;
        struct stat named;
        // A live writer holds its temporary file locked; only a file nobody
        // holds, still under that name, goes.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && LockWhole(fd, F_WRLCK) &&
            ::fstatat(dirFd, entry.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == held.st_dev && named.st_ino == held.st_ino &&
            platform::fault::Check(platform::fault::Op::Unlink) == 0 &&
            ::unlinkat(dirFd, entry.name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

} // namespace vorlane::zip
