// Whether a directory tells names apart by case. Most Linux file systems
// do; FAT and exFAT volumes, SMB shares, HFS+ volumes and ext4 or f2fs
// directories carrying the casefold attribute do not: there "Name.txt" and
// "NAME.TXT" are one file. Writers that turn one set of names into files
// (extracting an archive) or files into names (adding to one) ask here
// before they treat two names that differ only in case as two files.
//
// Pure queries; any module may call them.
#pragma once

#include <string>

namespace vorlane::platform {

// The rule over what the kernel reports: fsType as statfs gives it,
// inodeFlags as FS_IOC_GETFLAGS gives them for the directory (0 when the
// file system has none).
bool CaseInsensitiveFileSystem(long fsType, unsigned long inodeFlags);
// The rule for an open directory. False when it cannot be asked.
bool IsCaseInsensitiveDirectory(int dirFd);
// The same for a host path: the directory itself, or the directory that
// holds it when it is not one. False when neither can be opened.
bool IsCaseInsensitivePath(const std::string& hostPath);

} // namespace vorlane::platform
