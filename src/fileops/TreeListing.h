// The listing of a directory tree on the disk for the copy and move
// drivers and the tree count: walked with directory handles (each
// subdirectory opened relative to its parent's descriptor, never through a
// symbolic link), parents before their children, names in byte order.
//
// A link is one item, whatever it points to; a regular file whose name
// marks a zip file is one item too (a zip file is copied whole). A
// subdirectory that cannot be opened stays in the listing, marked
// unreadable with the reason, and the walk goes on.
#pragma once

#include "platform/FileSystem.h"
#include "platform/SysError.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane::fileops {

struct TreeItem {
    std::string name; // host name
    bool isLink = false;
    bool isZipFile = false;
};

struct TreeDirectory {
    std::string relative; // host path below the root ("" the root, "A/B")
    int parent = -1;      // index of the parent in the listing (-1: the root)
    std::vector<TreeItem> items;
    bool readable = true;
    platform::SysError error; // why it could not be read
};

// Lists the tree below hostRoot (the root itself is opened by its path).
// False when the root cannot be read (err says why) or cancel became true.
// With oneFileSystem a subdirectory that is another mount (another file
// system, or a bind mount) is left out of the listing, as if absent.
bool ListTree(const std::string& hostRoot, std::vector<TreeDirectory>* tree,
              const std::atomic<bool>* cancel = nullptr, platform::SysError* err = nullptr,
              bool oneFileSystem = false);

// The items below hostRoot as ListTree would list them (everything but
// directories; a link is one item and never entered), counted from the
// directory records alone: the count of a tree the run no longer walks.
// A subdirectory that cannot be read counts nothing.
uint64_t CountTreeItems(const std::string& hostRoot);

} // namespace vorlane::fileops
