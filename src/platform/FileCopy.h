// The low-level pieces the file operation engine builds its copy, append
// and wipe on: opening a regular file without hanging on a FIFO, moving
// bytes inside the kernel (copy_file_range), writing one block over and
// over (the wipe pattern), finding the data ranges of a sparse file, giving
// a new file its DOS attributes before it gets its final name, and hard
// links.
//
// Every call that reads, writes or names a file passes the fault-injection
// seam like the rest of the platform layer: a kernel copy counts as one
// Read and one Write, a repeated write as one Write, a link as a Rename.
// Anyone may call these; none keeps state.
#pragma once

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace vorlane::platform {

// What OpenRegularFile learned about the file it opened, from the open
// descriptor (no second look-up of the path).
struct OpenedFileInfo {
    uint64_t size = 0;       // bytes, when it was opened
    mode_t mode = 0;         // permission bits (st_mode & 07777)
    uint64_t device = 0;     // st_dev
    uint64_t inode = 0;      // st_ino
    uint32_t attributes = 0; // the DOS attributes, as GetAttributes reports them
    FileTime lastAccess;     // atime
    FileTime lastWrite;      // mtime
};

// Opens hostPath (FileOpenFlags; kOpenNoFollow refuses a link) when it is
// a regular file. A directory is refused as EISDIR (kDosAccessDenied, as
// opening a directory as a file is on DOS), any other kind of file (FIFO,
// device, socket) as kDosOpenFailed; a FIFO never blocks the call.
bool OpenRegularFile(const std::string& hostPath, unsigned flags, File* file, OpenedFileInfo* info,
                     SysError* err = nullptr);

enum class KernelCopy {
    Copied,      // *copied bytes moved (0: nothing more to copy at inOffset)
    Unsupported, // the kernel cannot copy between these two files: use read and write
    Failed,      // a real failure (disk full, I/O error); err says which
};

// Moves up to size bytes from in at inOffset to out at outOffset without
// passing them through user memory. Neither file offset moves.
KernelCopy CopyFileRange(File& in, uint64_t inOffset, File& out, uint64_t outOffset, size_t size,
                         size_t* copied, SysError* err = nullptr);

// Writes size bytes at offset, made of block (blockSize bytes) repeated;
// the last repetition may be partial. One system call covers up to 64
// repetitions, so a wipe pattern kept in one small buffer is written at
// the speed of large writes.
bool WriteRepeated(File& file, const void* block, size_t blockSize, uint64_t offset, uint64_t size,
                   SysError* err = nullptr);

// The next range [*start, *stop) at or after from and below end that may
// hold data (holes of a sparse file are skipped). False when only holes
// remain. A file system that cannot tell reports everything as data.
bool NextDataRange(File& file, uint64_t from, uint64_t end, uint64_t* start, uint64_t* stop);

// What a newly made file gets before it takes its final name.
struct NewFileDetails {
    uint32_t attributes = kAttrArchive; // DOS attribute bits
    mode_t permissions = 0644;          // & 0777; the write bits go when read-only is set
    bool setTimes = false;              // give it lastAccess and lastWrite
    FileTime lastAccess;
    FileTime lastWrite;
};

// Gives a newly made file (open, about to be renamed to a name whose last
// component is finalName) its details, through its descriptor: hidden
// (unless finalName begins with "."), system and archive stored the way
// SetAttributes stores them (before the write bits go: storing needs
// them; nothing is stored for the default, archive alone), the times, and
// the permissions. Where the file system refuses extended attributes, the
// stored bits are dropped and the call succeeds: a file system that cannot
// hold them cannot hold them for any copy.
bool SetNewFileDetails(File& file, const std::string& finalName, const NewFileDetails& details,
                       SysError* err = nullptr);

// Makes newPath a second name (hard link) of the file existing; never
// replaces newPath (kDosFileExists) and never follows a link at existing.
bool LinkFile(const std::string& existing, const std::string& newPath, SysError* err = nullptr);

// Makes to a symbolic link with the same target text as the link from
// (never followed): made under a temporary name beside to, exclusively,
// then renamed onto to (replacing what is there only when replace; else
// kDosFileExists). from that is not a link fails (kDosInvalidParameter).
// Passes the seam as Open (reading the link, making the new one) and
// Rename.
bool CopySymbolicLink(const std::string& from, const std::string& to, bool replace,
                      SysError* err = nullptr);

} // namespace vorlane::platform
