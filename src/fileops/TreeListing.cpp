#include "fileops/TreeListing.h"

#include "catalogue/CZipFileDirectory.h"
#include "platform/DirectoryListing.h"

#include <algorithm>
#include <optional>

namespace vorlane::fileops {

namespace {

struct Walker {
    std::vector<TreeDirectory>* tree;
    const std::atomic<bool>* cancel;
    // Set: the root's mount, and subdirectories on others are left out.
    std::optional<platform::MountIdentity> rootMount;

    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    bool OnRootMount(const platform::DirectoryReader& reader) const {
        platform::MountIdentity here;
        return platform::GetMountIdentity(reader.Descriptor(), &here) &&
               platform::SameMount(here, *rootMount);
    }

    // Lists the open directory (entry index of the tree) and walks into its
    // subdirectories; false when cancelled.
    bool Walk(platform::DirectoryReader& reader, size_t index, const std::string& hostDir) {
        std::vector<std::string> subdirectories;
        std::vector<TreeItem> items;
        platform::FileEntry entry;
        platform::SysError err;
        while (reader.Next(&entry, &err)) {
            if (entry.isDirectory && !entry.isSymlink) {
                subdirectories.push_back(entry.name);
                continue;
            }
            TreeItem item;
            item.name = entry.name;
            item.isLink = entry.isSymlink;
            item.isZipFile =
                !entry.isSymlink && catalogue::CZipFileDirectory::IsZipFileName(entry.name);
            items.push_back(std::move(item));
        }
        if (err.dosCode != platform::kDosNoMoreFiles) {
            // A listing that broke off is no listing: nothing of it is used.
            (*tree)[index].readable = false;
            (*tree)[index].error = err;
            return true;
        }
        std::sort(items.begin(), items.end(),
                  [](const TreeItem& a, const TreeItem& b) { return a.name < b.name; });
        std::sort(subdirectories.begin(), subdirectories.end());
        (*tree)[index].items = std::move(items);
        const std::string relative = (*tree)[index].relative;
        for (const std::string& name : subdirectories) {
            if (Cancelled())
                return false;
            TreeDirectory child;
            child.relative = relative.empty() ? name : relative + "/" + name;
            child.parent = static_cast<int>(index);
            const std::string childHost = hostDir + "/" + name;
            platform::DirectoryReader childReader;
            bool open = childReader.OpenAt(reader.Descriptor(), name, childHost, &child.error);
            if (open && rootMount && !OnRootMount(childReader))
                continue;
            child.readable = open;
            tree->push_back(std::move(child));
            if (open && !Walk(childReader, tree->size() - 1, childHost))
                return false;
        }
        return true;
    }
};

} // namespace

bool ListTree(const std::string& hostRoot, std::vector<TreeDirectory>* tree,
              const std::atomic<bool>* cancel, platform::SysError* err, bool oneFileSystem) {
    tree->clear();
    platform::DirectoryReader reader;
    if (!reader.Open(hostRoot, err))
        return false;
    Walker walker{tree, cancel, std::nullopt};
    if (oneFileSystem) {
        platform::MountIdentity root;
        if (!platform::GetMountIdentity(reader.Descriptor(), &root, err))
            return false;
        walker.rootMount = root;
    }
    tree->push_back(TreeDirectory{});
    return walker.Walk(reader, 0, hostRoot);
}

uint64_t CountTreeItems(const std::string& hostRoot) {
    uint64_t count = 0;
    std::vector<std::string> subdirectories;
    platform::ListDirectory(hostRoot, platform::ListDetail::Kinds,
                            [&](const platform::ListedEntry& entry) {
                                if (entry.isDirectory && !entry.isSymlink)
                                    subdirectories.emplace_back(entry.name);
                                else
                                    ++count;
                                return true;
                            });
    for (const std::string& name : subdirectories)
        count += CountTreeItems(hostRoot + "/" + name);
    return count;
}

} // namespace vorlane::fileops
