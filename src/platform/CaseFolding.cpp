#include "platform/CaseFolding.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace vorlane::platform {

namespace {

// File system types (statfs f_type) that fold case.
constexpr long kMsdosMagic = 0x4d44; // FAT12/16/32 and VFAT
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kCifsMagic = 0xFF534D42;
constexpr long kSmb2Magic = 0xFE534D42;
constexpr long kSmbMagic = 0x517B;
constexpr long kHfsPlusMagic = 0x482b;
constexpr long kHfsMagic = 0x4244;
// The per-directory casefold attribute of ext4 and f2fs.
constexpr unsigned long kCasefoldFlag = 0x40000000;

} // namespace

bool CaseInsensitiveFileSystem(long fsType, unsigned long inodeFlags) {
    // f_type is a signed word: compare the low 32 bits only.
    switch (static_cast<unsigned long>(fsType) & 0xFFFFFFFFul) {
    case kMsdosMagic:
    case kExfatMagic:
    case kCifsMagic & 0xFFFFFFFFul:
    case kSmb2Magic & 0xFFFFFFFFul:
    case kSmbMagic:
    case kHfsPlusMagic:
    case kHfsMagic:
        return true;
    default:
        return (inodeFlags & kCasefoldFlag) != 0;
    }
}

bool IsCaseInsensitiveDirectory(int dirFd) {
    struct statfs fs;
    if (::fstatfs(dirFd, &fs) != 0)
        return false;
    // FS_IOC_GETFLAGS writes an int whatever its declared type says.
    int flags = 0;
    if (::ioctl(dirFd, FS_IOC_GETFLAGS, &flags) != 0)
        flags = 0;
    return CaseInsensitiveFileSystem(static_cast<long>(fs.f_type),
                                     static_cast<unsigned int>(flags));
}

bool IsCaseInsensitivePath(const std::string& hostPath) {
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const size_t slash = hostPath.rfind('/');
        if (slash == std::string::npos)
            return false;
        const std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
        fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
    }
    const bool folds = IsCaseInsensitiveDirectory(fd);
    ::close(fd);
    return folds;
}

} // namespace vorlane::platform
