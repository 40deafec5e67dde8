// Fast enumeration of one directory for the catalogue, which lists whole
// trees and directories of a hundred thousand files and must not pay for
// what it does not show.
//
// ListDetail::Names reports names only, from the directory records alone
// (isDirectory and isSymlink as the file system's entry type says; both
// false where it does not say), never a stat: for a search by name.
// ListDetail::Kinds reports each entry's name and whether it is a
// directory, at no cost beyond reading the directory where the file system
// reports entry types (a link, or a file system without types, costs one
// stat). ListDetail::Stat adds size and last write time for every entry that
// is not a directory (one stat each; directories cost nothing). DOS
// attributes are not read here: GetAttributes gives them for one file when
// they are wanted.
//
// Links follow DirectoryReader's rules: a link to a directory reports the
// directory (isSymlink set), a link to a file reports the file's size and
// time, a dangling link reports the link itself as a file. Opening the
// directory passes the fault-injection seam (Op::List), so tests can make a
// directory refuse listing. "." and ".." are skipped; entries come in the
// order the file system gives them.
#pragma once

#include "platform/FileSystem.h"
#include "platform/SysError.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vorlane::platform {

enum class ListDetail { Names, Kinds, Stat };

struct ListedEntry {
    std::string_view name;    // host name; valid during the callback only
    bool isDirectory = false; // a directory, or a link to one
    bool isSymlink = false;   // the entry itself is a symbolic link
    // With ListDetail::Stat, for entries that are not directories:
    uint64_t size = 0;      // bytes
    FileTime lastWriteTime; // mtime
    uint32_t mode = 0;      // st_mode (of the target for a link that resolves); with
                            // ListDetail::Names the type bits of the directory
                            // record alone, 0 when the file system does not say
};

// Calls visit for every entry of hostDir until it returns false. Fails
// (and calls nothing) when the directory cannot be opened; an entry that
// vanishes between the listing and its stat is left out.
bool ListDirectory(const std::string& hostDir, ListDetail detail,
                   const std::function<bool(const ListedEntry&)>& visit, SysError* err = nullptr);
// The same over a directory the caller opened (for a walk that opens each
// subdirectory relative to its parent); fd stays open. hostDir is for the
// error text only.
bool ListOpenDirectory(int fd, const std::string& hostDir, ListDetail detail,
                       const std::function<bool(const ListedEntry&)>& visit,
                       SysError* err = nullptr);
// Opens the subdirectory name of the open directory parentFd for listing,
// never through a symbolic link; -1 with err set when it cannot be opened.
// The caller closes it.
int OpenSubdirectory(int parentFd, const std::string& name, const std::string& hostDir,
                     SysError* err = nullptr);

} // namespace vorlane::platform
