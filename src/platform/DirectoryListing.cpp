#include "platform/DirectoryListing.h"

#include "platform/FaultInjection.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vorlane::platform {

namespace {

// Closes the descriptor however the listing ends.
struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

// The record getdents64 fills.
struct LinuxDirent64 {
    uint64_t d_ino;
    int64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

// Room for a few hundred entries per call; one buffer per thread, and a
// fresh one for a listing started from inside another listing's visitor.
constexpr size_t kBufferSize = 64 * 1024;

void TakeStat(const struct stat& st, ListedEntry* entry) {
    entry->mode = st.st_mode;
    entry->size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    entry->lastWriteTime.seconds = st.st_mtim.tv_sec;
    entry->lastWriteTime.nanoseconds = static_cast<int32_t>(st.st_mtim.tv_nsec);
}

} // namespace

bool ListDirectory(const std::string& hostDir, ListDetail detail,
                   const std::function<bool(const ListedEntry&)>& visit, SysError* err) {
    if (int injected = fault::Check(fault::Op::List))
        return SetError(err, injected, "Cannot list directory", hostDir);
    int fd = ::open(hostDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return SetError(err, errno, "Cannot list directory", hostDir);
    FdCloser closer{fd};
    return ListOpenDirectory(fd, hostDir, detail, visit, err);
}

int OpenSubdirectory(int parentFd, const std::string& name, const std::string& hostDir,
                     SysError* err) {
    if (int injected = fault::Check(fault::Op::List)) {
        SetError(err, injected, "Cannot list directory", hostDir);
        return -1;
    }
    int fd;
    do {
        fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        SetError(err, errno, "Cannot list directory", hostDir);
    return fd;
}

bool ListOpenDirectory(int fd, const std::string& hostDir, ListDetail detail,
                       const std::function<bool(const ListedEntry&)>& visit, SysError* err) {
    // The records are read straight from the kernel: the C library's
    // directory stream would add an fstat and two fcntl calls per directory,
    // which a scan of a hundred thousand directories feels.
    thread_local std::unique_ptr<char[]> shared(new char[kBufferSize]);
    thread_local bool sharedInUse = false;
    std::unique_ptr<char[]> own;
    char* buffer = shared.get();
    if (sharedInUse) {
        own.reset(new char[kBufferSize]);
        buffer = own.get();
    }
    struct InUse {
        bool* flag;
        bool owned;
        ~InUse() {
            if (owned)
                *flag = false;
        }
    } inUse{&sharedInUse, !sharedInUse};
    if (inUse.owned)
        sharedInUse = true;

    const bool withStat = detail == ListDetail::Stat;
    while (true) {
        long got = ::syscall(SYS_getdents64, fd, buffer, kBufferSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return SetError(err, errno, "Cannot list directory", hostDir);
        }
        if (got == 0)
            break;
        for (long offset = 0; offset < got;) {
            const auto* d = reinterpret_cast<const LinuxDirent64*>(buffer + offset);
            offset += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            ListedEntry entry;
            entry.name = name;
            struct stat st;
            unsigned char type = d->d_type;
            if (detail == ListDetail::Names) {
                entry.mode = type == DT_UNKNOWN ? 0 : DTTOIF(type);
                entry.isDirectory = type == DT_DIR;
                entry.isSymlink = type == DT_LNK;
                if (!visit(entry))
                    return true;
                continue;
            }
            if (type == DT_UNKNOWN) {
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue; // vanished meanwhile
                type = S_ISLNK(st.st_mode) ? DT_LNK : S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
                if (type == DT_REG && withStat)
                    TakeStat(st, &entry);
            } else if (type != DT_DIR && type != DT_LNK && withStat) {
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                TakeStat(st, &entry);
            }
            if (type == DT_DIR) {
                entry.isDirectory = true;
            } else if (type == DT_LNK) {
                entry.isSymlink = true;
                if (::fstatat(fd, name, &st, 0) == 0) {
                    entry.isDirectory = S_ISDIR(st.st_mode);
                    if (!entry.isDirectory && withStat)
                        TakeStat(st, &entry);
                } else if (withStat) {
                    // A dangling link is the link itself, a file.
                    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                        continue;
                    TakeStat(st, &entry);
                }
            }
            if (!visit(entry))
                return true;
        }
    }
    return true;
}

} // namespace vorlane::platform
