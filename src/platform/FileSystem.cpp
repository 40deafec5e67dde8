#include "platform/FileSystem.h"

#include "platform/DirectoryListing.h"
#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/private/FsUtil.h"
#include "platform/private/FsXattr.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace vorlane::platform {

// ---- stored attributes ----------------------------------------------------

namespace detail {

namespace {

ssize_t SystemGet(const char* path, const char* name, void* value, size_t size) {
    return ::getxattr(path, name, value, size);
}

int SystemSet(const char* path, const char* name, const void* value, size_t size, int flags) {
    return ::setxattr(path, name, value, size, flags);
}

} // namespace

XattrCalls& Xattr() {
    static XattrCalls calls{&SystemGet, &SystemSet};
    return calls;
}

bool ParseDosAttrib(const char* value, size_t size, uint32_t* bits) {
    size_t end = 0;
    while (end < size && value[end] != '\0')
        ++end;
    if (end < 3 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X'))
        return false;
    uint32_t result = 0;
    for (size_t i = 2; i < end; ++i) {
        char c = value[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        if (result > 0x0FFFFFFFu)
            return false; // more than 32 bits
        result = result << 4 | digit;
    }
    *bits = result;
    return true;
}

std::string FormatDosAttrib(uint32_t bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", bits);
    return text;
}

bool ReadDosAttrib(const std::string& path, uint32_t* bits, bool* unsupported) {
    // Wine writes a few bytes, Samba the text and a record of about a
    // hundred; a larger value is read in full once its size is known.
    std::vector<char> value(256);
    ssize_t n = Xattr().get(path.c_str(), kDosAttribName, value.data(), value.size());
    if (n < 0 && errno == ERANGE) {
        ssize_t need = Xattr().get(path.c_str(), kDosAttribName, nullptr, 0);
        if (need > 0) {
            value.resize(static_cast<size_t>(need));
            n = Xattr().get(path.c_str(), kDosAttribName, value.data(), value.size());
        }
    }
    if (n < 0) {
        if (unsupported && errno == ENOTSUP)
            *unsupported = true;
        return false;
    }
    return ParseDosAttrib(value.data(), static_cast<size_t>(n), bits);
}

} // namespace detail

// ---- times ----------------------------------------------------------------

namespace {

// DOS dates cover 1980-01-01 00:00:00 to 2107-12-31 23:59:58; times outside
// are clamped to these ends.
constexpr DosDateTime kDosMin{(0 << 9) | (1 << 5) | 1, 0};
constexpr DosDateTime kDosMax{(127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29};

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int Clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

FileTime FromStatx(const struct statx_timestamp& t) {
    return FileTime{t.tv_sec, static_cast<int32_t>(t.tv_nsec)};
}

} // namespace

DosDateTime ToDosDateTime(const FileTime& t) {
    time_t seconds = static_cast<time_t>(t.seconds);
    struct tm local;
    if (::localtime_r(&seconds, &local) == nullptr)
        return t.seconds < 0 ? kDosMin : kDosMax;
    int year = local.tm_year + 1900;
    if (year < 1980)
        return kDosMin;
    if (year > 2107)
        return kDosMax;
    DosDateTime dt;
    dt.date = static_cast<uint16_t>((year - 1980) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    // A leap second (tm_sec 60) still fits: 60 / 2 = 30 is below 32.
    dt.time = static_cast<uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    return dt;
}

FileTime FromDosDateTime(const DosDateTime& dt) {
    // Fields out of range (month 0, day 31 in April, hour 25, ...) are
    // clamped to the nearest valid value rather than rolled over.
    int year = 1980 + (dt.date >> 9);
    int month = Clamp((dt.date >> 5) & 0x0F, 1, 12);
    int day = Clamp(dt.date & 0x1F, 1, DaysInMonth(year, month));
    struct tm local {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = Clamp(dt.time >> 11, 0, 23);
    local.tm_min = Clamp((dt.time >> 5) & 0x3F, 0, 59);
    local.tm_sec = Clamp((dt.time & 0x1F) * 2, 0, 58);
    local.tm_isdst = -1;
    return FileTime{static_cast<int64_t>(::mktime(&local)), 0};
}

// ---- entries --------------------------------------------------------------

namespace {

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_INO | STATX_BTIME;

bool IsDotName(const std::string& name) {
    return !name.empty() && name[0] == '.';
}

// statx with EINTR retried; 0 or errno.
int StatxAt(int dirFd, const char* name, int flags, struct statx* sx) {
    int rc;
    do {
        rc = ::statx(dirFd, name, flags | AT_STATX_SYNC_AS_STAT, kStatxMask, sx);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

// Reads (dirFd, name) as an entry: a link is reported as what it points to
// (isSymlink set), a dangling link as itself. 0 or errno.
int StatEntryAt(int dirFd, const char* name, struct statx* sx, bool* isLink) {
    if (int e = StatxAt(dirFd, name, AT_SYMLINK_NOFOLLOW, sx))
        return e;
    *isLink = S_ISLNK(sx->stx_mode);
    if (*isLink) {
        struct statx target;
        if (StatxAt(dirFd, name, 0, &target) == 0)
            *sx = target;
    }
    return 0;
}

uint32_t AttributesOf(const std::string& name, const struct statx& sx, bool hasStored,
                      uint32_t stored) {
    bool isDir = S_ISDIR(sx.stx_mode);
    uint32_t attributes = 0;
    if (isDir)
        attributes |= kAttrDirectory;
    if (!S_ISLNK(sx.stx_mode) && (sx.stx_mode & 0222) == 0)
        attributes |= kAttrReadOnly;
    if (IsDotName(name))
        attributes |= kAttrHidden;
    if (hasStored)
        attributes |= stored & detail::kStoredAttributes;
    else if (!isDir)
        attributes |= kAttrArchive; // a file never marked otherwise still needs backing up
    return attributes;
}

void FillEntry(const std::string& name, const struct statx& sx, bool isLink, bool hasStored,
               uint32_t stored, FileEntry* entry) {
    bool isDir = S_ISDIR(sx.stx_mode);
    entry->name = name;
    entry->attributes = AttributesOf(name, sx, hasStored, stored);
    entry->size = isDir ? 0 : sx.stx_size;
    entry->lastWriteTime = FromStatx(sx.stx_mtime);
    entry->lastAccessTime = FromStatx(sx.stx_atime);
    entry->creationTime =
        (sx.stx_mask & STATX_BTIME) ? FromStatx(sx.stx_btime) : entry->lastWriteTime;
    entry->dosTime = ToDosDateTime(entry->lastWriteTime);
    entry->isSymlink = isLink;
    entry->isDirectory = isDir;
    entry->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    entry->inode = sx.stx_ino;
}

// The path without trailing slashes ("/" stays).
std::string StripSlashes(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    return path.substr(0, end);
}

} // namespace

bool StatEntry(const std::string& hostPath, FileEntry* entry, SysError* err) {
    if (int e = fault::Check(fault::Op::Stat))
        return SetError(err, e, "Cannot find", hostPath);
    std::string path = StripSlashes(hostPath);
    struct statx sx;
    bool isLink = false;
    if (int e = StatEntryAt(AT_FDCWD, path.c_str(), &sx, &isLink))
        return SetError(err, e, "Cannot find", hostPath);
    uint32_t stored = 0;
    bool hasStored = detail::ReadDosAttrib(path, &stored);
    FillEntry(HostBaseName(path), sx, isLink, hasStored, stored, entry);
    return true;
}

// ---- enumeration ----------------------------------------------------------

struct DirectoryReader::Impl {
    DIR* dir = nullptr;
    std::string path;
    bool xattrUnsupported = false; // the file system refused them once: don't ask per entry
};

DirectoryReader::DirectoryReader() : m_impl(std::make_unique<Impl>()) {}

DirectoryReader::~DirectoryReader() {
    Close();
}

namespace {

// Fills err for a directory that cannot be opened for reading. A directory
// that is not there is a missing path, as find-first says.
bool DirectoryOpenError(SysError* err, int e, const std::string& hostDir) {
    SetError(err, e, "Cannot read the directory", hostDir);
    if (err && (e == ENOENT || e == ENOTDIR))
        err->dosCode = kDosPathNotFound;
    return false;
}

} // namespace

bool DirectoryReader::Open(const std::string& hostDir, SysError* err) {
    return OpenAt(AT_FDCWD, hostDir, hostDir, err);
}

bool DirectoryReader::OpenAt(int parentFd, const std::string& name, const std::string& hostDir,
                             SysError* err) {
    Close();
    if (int e = fault::Check(fault::Op::List))
        return SetError(err, e, "Cannot read the directory", hostDir);
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (parentFd != AT_FDCWD)
        flags |= O_NOFOLLOW;
    int fd;
    do {
        fd = ::openat(parentFd, name.c_str(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return DirectoryOpenError(err, errno, hostDir);
    m_impl->dir = ::fdopendir(fd);
    if (m_impl->dir == nullptr) {
        int e = errno;
        ::close(fd);
        return SetError(err, e, "Cannot read the directory", hostDir);
    }
    m_impl->path = StripSlashes(hostDir);
    m_impl->xattrUnsupported = false;
    return true;
}

int DirectoryReader::Descriptor() const {
    return m_impl->dir ? ::dirfd(m_impl->dir) : -1;
}

bool DirectoryReader::Next(FileEntry* entry, SysError* err) {
    if (m_impl->dir == nullptr)
        return SetDosError(err, kDosInvalidHandle, "The directory is not open");
    int fd = ::dirfd(m_impl->dir);
    for (;;) {
        errno = 0;
        struct dirent* d = ::readdir(m_impl->dir);
        if (d == nullptr) {
            if (errno != 0)
                return SetError(err, errno, "Cannot read the directory", m_impl->path);
            return SetDosError(err, kDosNoMoreFiles, "No more files");
        }
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        struct statx sx;
        bool isLink = false;
        int e = StatEntryAt(fd, name, &sx, &isLink);
        if (e == ENOENT)
            continue; // removed since the directory was read
        std::string fullPath =
            m_impl->path == "/" ? "/" + std::string(name) : m_impl->path + "/" + name;
        if (e != 0) {
            // The name is there but cannot be examined: report what is known.
            std::memset(&sx, 0, sizeof sx);
            sx.stx_mode = d->d_type == DT_DIR ? S_IFDIR | 0755 : S_IFREG | 0644;
            isLink = d->d_type == DT_LNK;
        }
        uint32_t stored = 0;
        bool hasStored = false;
        if (e == 0 && !m_impl->xattrUnsupported) {
            bool unsupported = false;
            hasStored = detail::ReadDosAttrib(fullPath, &stored, &unsupported);
            m_impl->xattrUnsupported = unsupported;
        }
        FillEntry(name, sx, isLink, hasStored, stored, entry);
        return true;
    }
}

void DirectoryReader::Close() {
    if (m_impl && m_impl->dir) {
        ::closedir(m_impl->dir);
        m_impl->dir = nullptr;
    }
}

// ---- attributes -----------------------------------------------------------

bool GetAttributes(const std::string& hostPath, uint32_t* attributes, SysError* err) {
    FileEntry entry;
    if (!StatEntry(hostPath, &entry, err))
        return false;
    *attributes = entry.attributes;
    return true;
}

namespace {

// SetAttributes once the file (not a link) has been looked at: st from
// lstat, stored / hasStored its stored attributes.
bool ApplyAttributes(const std::string& path, const std::string& hostPath, const struct stat& st,
                     bool hasStored, uint32_t stored, uint32_t attributes, SysError* err) {
    std::string name = HostBaseName(path);
    bool isDir = S_ISDIR(st.st_mode);
    uint32_t currentStored =
        hasStored ? stored & detail::kStoredAttributes : (isDir ? 0u : uint32_t(kAttrArchive));
    uint32_t wantStored = attributes & detail::kStoredAttributes;
    // A name beginning with "." is hidden by its name: the stored bit is
    // kept as it was when hidden is asked for, and cleared when it is not
    // (the name still hides the file).
    if (IsDotName(name) && (attributes & kAttrHidden) && !(currentStored & kAttrHidden))
        wantStored &= ~uint32_t(kAttrHidden);
    bool storedChanges = wantStored != currentStored;

    mode_t mode = st.st_mode & 07777;
    bool wantReadOnly = attributes & kAttrReadOnly;
    bool isReadOnly = (mode & 0222) == 0;
    mode_t newMode = mode;
    if (wantReadOnly && !isReadOnly)
        newMode = mode & ~mode_t(0222);
    else if (!wantReadOnly && isReadOnly)
        newMode = mode | S_IWUSR;

    if (storedChanges) {
        // Setting a user attribute needs write permission on the file: a
        // read-only file is opened up for the moment of the change.
        bool openUp = (mode & S_IWUSR) == 0;
        if (openUp && ::chmod(path.c_str(), mode | S_IWUSR) != 0)
            return SetError(err, errno, "Cannot change the attributes of", hostPath);
        std::string value = detail::FormatDosAttrib(wantStored);
        int rc = detail::Xattr().set(path.c_str(), detail::kDosAttribName, value.data(),
                                     value.size(), 0);
        int e = rc == 0 ? 0 : errno;
        if (openUp && newMode == mode)
            ::chmod(path.c_str(), mode);
        if (e != 0) {
            if (openUp)
                ::chmod(path.c_str(), mode);
            if (e == ENOTSUP) {
                SetDosError(err, kDosAccessDenied,
                            "Cannot store the hidden, system or archive attribute of '" + hostPath +
                                "': the file system does not support extended "
                                "attributes");
                if (err)
                    err->sysErrno = ENOTSUP;
                return false;
            }
            return SetError(err, e, "Cannot change the attributes of", hostPath);
        }
    }
    if (newMode != mode && ::chmod(path.c_str(), newMode) != 0)
        return SetError(err, errno, "Cannot change the attributes of", hostPath);
    return true;
}

} // namespace

bool SetAttributes(const std::string& hostPath, uint32_t attributes, SysError* err) {
    std::string path = StripSlashes(hostPath);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return SetError(err, errno, "Cannot change the attributes of", hostPath);
    constexpr uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
    if (S_ISLNK(st.st_mode)) {
        // A link holds neither permission bits nor user attributes of its
        // own, and changes never pass through to its target.
        uint32_t current = 0;
        if (GetAttributes(path, &current, nullptr) &&
            (current & kSettable) == (attributes & kSettable))
            return true;
        return SetDosError(err, kDosAccessDenied,
                           "Cannot change the attributes of '" + hostPath +
                               "': a symbolic link has no attributes of its own");
    }

    uint32_t stored = 0;
    bool hasStored = detail::ReadDosAttrib(path, &stored);
    return ApplyAttributes(path, hostPath, st, hasStored, stored, attributes, err);
}

bool ChangeAttributes(const std::string& hostPath,
                      const std::function<std::optional<uint32_t>(uint32_t)>& choose, bool* isLink,
                      SysError* err) {
    *isLink = false;
    if (int e = fault::Check(fault::Op::Stat))
        return SetError(err, e, "Cannot find", hostPath);
    std::string path = StripSlashes(hostPath);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return SetError(err, errno, "Cannot find", hostPath);
    if (S_ISLNK(st.st_mode)) {
        *isLink = true;
        return true;
    }
    uint32_t stored = 0;
    bool hasStored = detail::ReadDosAttrib(path, &stored);
    struct statx sx = {};
    sx.stx_mode = static_cast<uint16_t>(st.st_mode);
    std::optional<uint32_t> wanted =
        choose(AttributesOf(HostBaseName(path), sx, hasStored, stored));
    return !wanted || ApplyAttributes(path, hostPath, st, hasStored, stored, *wanted, err);
}

// ---- file times -----------------------------------------------------------

bool GetFileTimes(const std::string& hostPath, FileTime* creation, FileTime* lastAccess,
                  FileTime* lastWrite, SysError* err) {
    FileEntry entry;
    if (!StatEntry(hostPath, &entry, err))
        return false;
    if (creation)
        *creation = entry.creationTime;
    if (lastAccess)
        *lastAccess = entry.lastAccessTime;
    if (lastWrite)
        *lastWrite = entry.lastWriteTime;
    return true;
}

bool SetFileTimes(const std::string& hostPath, const FileTime* creation, const FileTime* lastAccess,
                  const FileTime* lastWrite, SysError* err) {
    (void)creation; // Linux keeps the birth time to itself.
    for (const FileTime* t : {lastAccess, lastWrite}) {
        if (t && (t->nanoseconds < 0 || t->nanoseconds > 999999999))
            return SetError(err, EINVAL, "Cannot set the time of", hostPath);
    }
    std::string path = StripSlashes(hostPath);
    struct timespec times[2];
    times[0] = lastAccess
                   ? timespec{static_cast<time_t>(lastAccess->seconds), lastAccess->nanoseconds}
                   : timespec{0, UTIME_OMIT};
    times[1] = lastWrite ? timespec{static_cast<time_t>(lastWrite->seconds), lastWrite->nanoseconds}
                         : timespec{0, UTIME_OMIT};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return SetError(err, errno, "Cannot set the time of", hostPath);
    return true;
}

// ---- primitive changes ----------------------------------------------------

namespace {

bool NameListedExactly(const std::string& dir, const std::string& name) {
    bool found = false;
    bool listed = ListDirectory(dir, ListDetail::Names, [&](const ListedEntry& entry) {
        found = entry.name == name;
        return !found;
    });
    return found || !listed; // cannot tell: assume a distinct entry, the safe answer
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Changes only the case of a name on a file system that ignores case,
// where a direct rename onto the other spelling does nothing: through a
// temporary name in the same directory.
int RenameCaseOnly(const std::string& from, const std::string& to) {
    std::string dir = HostDirName(to);
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::string temp = dir + "/." + detail::RandomHex(12) + "~vren";
        int e = detail::RenameNoReplace(AT_FDCWD, from.c_str(), AT_FDCWD, temp.c_str());
        if (e == EEXIST)
            continue;
        if (e != 0)
            return e;
        e = detail::RenameNoReplace(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str());
        if (e != 0)
            ::rename(temp.c_str(), from.c_str());
        return e;
    }
    return EEXIST;
}

} // namespace

bool RenameEntry(const std::string& from, const std::string& to, bool replace, SysError* err) {
    if (int e = fault::Check(fault::Op::Rename))
        return SetError(err, e, "Cannot rename", from);
    std::string src = StripSlashes(from);
    std::string dst = StripSlashes(to);
    struct stat fromSt, toSt;
    if (::lstat(src.c_str(), &fromSt) != 0)
        return SetError(err, errno, "Cannot rename", from);
    if (::lstat(dst.c_str(), &toSt) == 0 && SameInode(fromSt, toSt)) {
        // Both names reach one file: the same entry spelled another way, a
        // case variant on a file system that ignores case, or two hard links.
        struct stat fromDir, toDir;
        bool sameDir = ::stat(HostDirName(src).c_str(), &fromDir) == 0 &&
                       ::stat(HostDirName(dst).c_str(), &toDir) == 0 && SameInode(fromDir, toDir);
        std::string fromName = HostBaseName(src), toName = HostBaseName(dst);
        if (sameDir && fromName == toName)
            return true;
        if (sameDir && !NameListedExactly(HostDirName(dst), toName)) {
            if (int e = RenameCaseOnly(src, dst))
                return SetError(err, e, "Cannot rename", from);
            return true;
        }
        if (!replace)
            return SetError(err, EEXIST, "Cannot rename to", to);
        // Renaming one hard link over another of the same file leaves both
        // in place; the intended result is the source name gone.
        if (::unlink(src.c_str()) != 0)
            return SetError(err, errno, "Cannot rename", from);
        return true;
    }
    int rc = replace ? (::rename(src.c_str(), dst.c_str()) == 0 ? 0 : errno)
                     : detail::RenameNoReplace(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str());
    if (rc == EEXIST || rc == ENOTEMPTY)
        return SetError(err, rc, "Cannot rename to", to);
    if (rc != 0)
        return SetError(err, rc, "Cannot rename", from);
    return true;
}

bool DeleteFile(const std::string& hostPath, SysError* err) {
    if (int e = fault::Check(fault::Op::Unlink))
        return SetError(err, e, "Cannot delete", hostPath);
    std::string path = StripSlashes(hostPath);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return SetError(err, errno, "Cannot delete", hostPath);
    if (S_ISDIR(st.st_mode))
        return SetError(err, EISDIR, "Cannot delete", hostPath);
    if (::unlink(path.c_str()) != 0)
        return SetError(err, errno, "Cannot delete", hostPath);
    return true;
}

bool DeleteEntryAt(int dirFd, const std::string& name, bool directory, const std::string& hostPath,
                   SysError* err) {
    const char* what = directory ? "Cannot remove the directory" : "Cannot delete";
    if (int e = fault::Check(fault::Op::Unlink))
        return SetError(err, e, what, hostPath);
    if (::unlinkat(dirFd, name.c_str(), directory ? AT_REMOVEDIR : 0) != 0)
        return SetError(err, errno, what, hostPath);
    return true;
}

bool MakeDirectory(const std::string& hostPath, SysError* err) {
    if (int e = fault::Check(fault::Op::Mkdir))
        return SetError(err, e, "Cannot make the directory", hostPath);
    if (::mkdir(StripSlashes(hostPath).c_str(), 0777) != 0)
        return SetError(err, errno, "Cannot make the directory", hostPath);
    return true;
}

bool RemoveDirectory(const std::string& hostPath, SysError* err) {
    if (int e = fault::Check(fault::Op::Unlink))
        return SetError(err, e, "Cannot remove the directory", hostPath);
    std::string path = StripSlashes(hostPath);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return SetError(err, errno, "Cannot remove the directory", hostPath);
    if (S_ISLNK(st.st_mode)) {
        SetDosError(err, kDosPathNotFound,
                    "Cannot remove the directory '" + hostPath + "': it is a symbolic link");
        if (err)
            err->sysErrno = ENOTDIR;
        return false;
    }
    if (!S_ISDIR(st.st_mode))
        return SetError(err, ENOTDIR, "Cannot remove the directory", hostPath);
    if (::rmdir(path.c_str()) != 0)
        return SetError(err, errno, "Cannot remove the directory", hostPath);
    return true;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && SameInode(sa, sb);
}

bool GetMountIdentity(int fd, MountIdentity* id, SysError* err) {
    struct statx sx {};
    int rc;
    do {
        rc = ::statx(fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_TYPE | STATX_MNT_ID, &sx);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return SetError(err, errno, "Cannot read the file system of", "(descriptor)");
    id->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id->hasMountId = (sx.stx_mask & STATX_MNT_ID) != 0;
    id->mountId = id->hasMountId ? sx.stx_mnt_id : 0;
    return true;
}

bool SameMount(const MountIdentity& a, const MountIdentity& b) {
    if (a.device != b.device)
        return false;
    return !(a.hasMountId && b.hasMountId) || a.mountId == b.mountId;
}

} // namespace vorlane::platform
