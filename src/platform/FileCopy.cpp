#include "platform/FileCopy.h"

#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/private/FsUtil.h"
#include "platform/private/FsXattr.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace vorlane::platform {

namespace {

// Repetitions of the block in one pwritev call (far below IOV_MAX).
constexpr size_t kMaxRepetitions = 64;

// The largest request handed to copy_file_range at once; the kernel caps
// one call near 2 GiB.
constexpr size_t kMaxKernelCopy = size_t(1) << 30;

// The DOS attributes of an open regular file, by the rules of
// GetAttributes: read-only from the write bits, hidden from a leading "."
// or the stored bits, and the stored bits (archive when there are none).
uint32_t AttributesOfOpenFile(int fd, const std::string& name, mode_t mode) {
    uint32_t attributes = (mode & 0222) == 0 ? uint32_t(kAttrReadOnly) : 0;
    if (!name.empty() && name[0] == '.')
        attributes |= kAttrHidden;
    // Samba stores a binary record after the text: a large value is read
    // in full once its size is known.
    std::vector<char> value(256);
    ssize_t n = ::fgetxattr(fd, detail::kDosAttribName, value.data(), value.size());
    if (n < 0 && errno == ERANGE) {
        ssize_t need = ::fgetxattr(fd, detail::kDosAttribName, nullptr, 0);
        if (need > 0) {
            value.resize(static_cast<size_t>(need));
            n = ::fgetxattr(fd, detail::kDosAttribName, value.data(), value.size());
        }
    }
    uint32_t stored = 0;
    if (n > 0 && detail::ParseDosAttrib(value.data(), static_cast<size_t>(n), &stored))
        attributes |= stored & detail::kStoredAttributes;
    else
        attributes |= kAttrArchive;
    return attributes;
}

} // namespace

bool OpenRegularFile(const std::string& hostPath, unsigned flags, File* file, OpenedFileInfo* info,
                     SysError* err) {
    if (int e = fault::Check(fault::Op::Open))
        return SetError(err, e, "Cannot open", hostPath);
    int openFlags = O_CLOEXEC | O_NONBLOCK;
    if ((flags & kOpenReadWrite) == kOpenReadWrite)
        openFlags |= O_RDWR;
    else if (flags & kOpenWrite)
        openFlags |= O_WRONLY;
    else
        openFlags |= O_RDONLY;
    if (flags & kOpenNoFollow)
        openFlags |= O_NOFOLLOW;
    int fd;
    do {
        fd = ::open(hostPath.c_str(), openFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // Opening a directory for writing fails with EISDIR already; for
        // reading it succeeds and is refused below.
        return SetError(err, errno, "Cannot open", hostPath);
    }
    File opened = File::Adopt(fd, hostPath);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return SetError(err, errno, "Cannot open", hostPath);
    if (S_ISDIR(st.st_mode))
        return SetError(err, EISDIR, "Cannot open", hostPath);
    if (!S_ISREG(st.st_mode))
        return SetDosError(err, kDosOpenFailed,
                           "Cannot open '" + hostPath + "': it is not a regular file");
    // Blocking reads and writes from here on (no status flag was asked
    // for): O_NONBLOCK only kept the open from waiting for a FIFO's writer.
    ::fcntl(fd, F_SETFL, 0);
    if (info) {
        info->size = static_cast<uint64_t>(st.st_size);
        info->mode = st.st_mode & 07777;
        info->device = static_cast<uint64_t>(st.st_dev);
        info->inode = static_cast<uint64_t>(st.st_ino);
        info->lastAccess = {st.st_atim.tv_sec, static_cast<int32_t>(st.st_atim.tv_nsec)};
        info->lastWrite = {st.st_mtim.tv_sec, static_cast<int32_t>(st.st_mtim.tv_nsec)};
        info->attributes = AttributesOfOpenFile(fd, HostBaseName(hostPath), st.st_mode);
    }
    *file = std::move(opened);
    return true;
}

KernelCopy CopyFileRange(File& in, uint64_t inOffset, File& out, uint64_t outOffset, size_t size,
                         size_t* copied, SysError* err) {
    *copied = 0;
    if (int e = fault::Check(fault::Op::Read)) {
        SetError(err, e, "Cannot read", in.Path());
        return KernelCopy::Failed;
    }
    if (int e = fault::Check(fault::Op::Write)) {
        SetError(err, e, "Cannot write", out.Path());
        return KernelCopy::Failed;
    }
    if (inOffset > static_cast<uint64_t>(INT64_MAX) ||
        outOffset > static_cast<uint64_t>(INT64_MAX) - size)
        return KernelCopy::Unsupported;
    loff_t inPos = static_cast<loff_t>(inOffset);
    loff_t outPos = static_cast<loff_t>(outOffset);
    ssize_t n;
    do {
        n = ::copy_file_range(in.Descriptor(), &inPos, out.Descriptor(), &outPos,
                              std::min(size, kMaxKernelCopy), 0);
    } while (n < 0 && errno == EINTR);
    if (n >= 0) {
        *copied = static_cast<size_t>(n);
        return KernelCopy::Copied;
    }
    switch (errno) {
    case EXDEV:      // two file systems the kernel will not copy between
    case EINVAL:     // a file system or file kind without support
    case ENOSYS:     // an old kernel
    case EOPNOTSUPP: // (ENOTSUP)
    case EBADF:      // e.g. an append-only target
    case ETXTBSY:
    case EPERM:
        return KernelCopy::Unsupported;
    default:
        SetError(err, errno, "Cannot copy to", out.Path());
        return KernelCopy::Failed;
    }
}

bool WriteRepeated(File& file, const void* block, size_t blockSize, uint64_t offset, uint64_t size,
                   SysError* err) {
    if (blockSize == 0)
        return SetError(err, EINVAL, "Cannot write", file.Path());
    while (size > 0) {
        if (int e = fault::Check(fault::Op::Write))
            return SetError(err, e, "Cannot write", file.Path());
        if (offset > static_cast<uint64_t>(INT64_MAX) - size)
            return SetError(err, EFBIG, "Cannot write", file.Path());
        struct iovec iov[kMaxRepetitions];
        size_t count = 0;
        uint64_t planned = 0;
        while (count < kMaxRepetitions && planned < size) {
            size_t piece = static_cast<size_t>(std::min<uint64_t>(blockSize, size - planned));
            iov[count].iov_base = const_cast<void*>(block);
            iov[count].iov_len = piece;
            planned += piece;
            ++count;
        }
        ssize_t n;
        do {
            n = ::pwritev(file.Descriptor(), iov, static_cast<int>(count),
                          static_cast<off_t>(offset));
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return SetError(err, errno, "Cannot write", file.Path());
        if (n == 0)
            return SetError(err, ENOSPC, "Cannot write", file.Path());
        // A short write (the disk filling up) is continued from where it
        // stopped; the next call reports the reason if it stops again.
        offset += static_cast<uint64_t>(n);
        size -= static_cast<uint64_t>(n);
    }
    return true;
}

bool NextDataRange(File& file, uint64_t from, uint64_t end, uint64_t* start, uint64_t* stop) {
    if (from >= end)
        return false;
    int fd = file.Descriptor();
    off_t data = ::lseek(fd, static_cast<off_t>(from), SEEK_DATA);
    if (data < 0) {
        if (errno == ENXIO)
            return false; // nothing but a hole up to the end of the file
        *start = from;    // the file system cannot tell: all of it is data
        *stop = end;
        return true;
    }
    if (static_cast<uint64_t>(data) >= end)
        return false;
    off_t hole = ::lseek(fd, data, SEEK_HOLE);
    *start = static_cast<uint64_t>(data);
    *stop = hole < 0 ? end : std::min<uint64_t>(static_cast<uint64_t>(hole), end);
    if (*stop <= *start)
        *stop = end;
    return true;
}

bool SetNewFileDetails(File& file, const std::string& finalName, const NewFileDetails& details,
                       SysError* err) {
    int fd = file.Descriptor();
    uint32_t stored = details.attributes & detail::kStoredAttributes;
    if (!finalName.empty() && finalName[0] == '.')
        stored &= ~uint32_t(kAttrHidden); // the name hides it
    if (stored != kAttrArchive) {
        std::string value = detail::FormatDosAttrib(stored);
        if (::fsetxattr(fd, detail::kDosAttribName, value.data(), value.size(), 0) != 0 &&
            errno != ENOTSUP)
            return SetError(err, errno, "Cannot change the attributes of", file.Path());
    }
    if (details.setTimes) {
        for (const FileTime* t : {&details.lastAccess, &details.lastWrite})
            if (t->nanoseconds < 0 || t->nanoseconds > 999999999)
                return SetError(err, EINVAL, "Cannot set the time of", file.Path());
        struct timespec times[2] = {
            {static_cast<time_t>(details.lastAccess.seconds), details.lastAccess.nanoseconds},
            {static_cast<time_t>(details.lastWrite.seconds), details.lastWrite.nanoseconds}};
        if (::futimens(fd, times) != 0)
            return SetError(err, errno, "Cannot set the time of", file.Path());
    }
    mode_t mode = details.permissions & 0777;
    if (details.attributes & kAttrReadOnly)
        mode &= ~mode_t(0222);
    if (::fchmod(fd, mode) != 0)
        return SetError(err, errno, "Cannot change the attributes of", file.Path());
    return true;
}

bool LinkFile(const std::string& existing, const std::string& newPath, SysError* err) {
    if (int e = fault::Check(fault::Op::Rename))
        return SetError(err, e, "Cannot link", newPath);
    if (::linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, newPath.c_str(), 0) != 0)
        return SetError(err, errno, "Cannot link", newPath);
    return true;
}

bool CopySymbolicLink(const std::string& from, const std::string& to, bool replace, SysError* err) {
    if (int e = fault::Check(fault::Op::Open))
        return SetError(err, e, "Cannot read the link", from);
    std::string text(256, '\0');
    for (;;) {
        ssize_t n = ::readlink(from.c_str(), text.data(), text.size());
        if (n < 0) {
            if (errno == EINVAL)
                return SetDosError(err, kDosInvalidParameter, "Not a symbolic link: " + from);
            return SetError(err, errno, "Cannot read the link", from);
        }
        if (static_cast<size_t>(n) < text.size()) {
            text.resize(static_cast<size_t>(n));
            break;
        }
        text.resize(text.size() * 2);
    }
    if (int e = fault::Check(fault::Op::Open))
        return SetError(err, e, "Cannot create", to);
    const std::string dir = HostDirName(to);
    std::string temp;
    for (int attempt = 0;; ++attempt) {
        temp = dir + "/." + detail::Utf8Prefix(HostBaseName(to), 100) + "." + detail::RandomHex(8) +
               "~vtmp";
        if (::symlink(text.c_str(), temp.c_str()) == 0)
            break;
        if (errno != EEXIST || attempt == 99)
            return SetError(err, errno, "Cannot create", to);
    }
    if (RenameEntry(temp, to, replace, err))
        return true;
    ::unlink(temp.c_str());
    return false;
}

} // namespace vorlane::platform
