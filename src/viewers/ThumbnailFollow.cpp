#include "viewers/ThumbnailFollow.h"

namespace vorlane::viewers {

namespace {

// Whether the object stored for fromPath's name is fromPath's own (not the
// thumbnail of a file whose path differs only in case).
bool OwnObject(IThumbnailStore& store, const std::string& fromPath, std::vector<uint8_t>* data) {
    return store.Get(ThumbnailKey(fromPath), data) && ThumbnailBelongsTo(*data, fromPath);
}

// Deletes path's thumbnail, not a case variant's.
void DeleteOwn(IThumbnailStore& store, const std::string& path) {
    std::vector<uint8_t> data;
    if (OwnObject(store, path, &data))
        store.Delete(ThumbnailKey(path));
}

// Stores fromPath's thumbnail under toPath, with toPath as its exact path;
// without one to carry, an older object of toPath's is deleted. True when
// one was carried. The source stays.
bool CarryTo(IThumbnailStore& store, const std::string& fromPath, const std::string& toPath) {
    std::vector<uint8_t> data;
    std::vector<uint8_t> object;
    if (OwnObject(store, fromPath, &data))
        object = EncodeThumbnailObject(data, toPath);
    if (object.empty()) {
        if (ThumbnailKey(fromPath) != ThumbnailKey(toPath))
            DeleteOwn(store, toPath);
        return false;
    }
    return store.Put(ThumbnailKey(toPath), object);
}

void RenameOne(IThumbnailStore& store, const std::string& fromPath, const std::string& toPath) {
    if (CarryTo(store, fromPath, toPath) && ThumbnailKey(fromPath) != ThumbnailKey(toPath))
        store.Delete(ThumbnailKey(fromPath));
}

// The files whose thumbnails lie below a directory, by their exact paths
// (the name where an object has none): those that begin with the
// directory's path as written and a backslash.
std::vector<std::string> PathsBelow(IThumbnailStore& store, const std::string& directory) {
    std::string dir = directory;
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    const std::string prefix = ThumbnailKey(dir);
    std::vector<std::string> below;
    for (const std::string& name : store.Names()) {
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::vector<uint8_t> data;
        std::string exact;
        if (!store.Get(name, &data) || !DecodeThumbnailObject(data, &exact))
            continue;
        if (exact.empty())
            below.push_back(dir + name.substr(prefix.size()));
        else if (exact.size() > dir.size() && exact.compare(0, dir.size(), dir) == 0)
            below.push_back(exact);
    }
    return below;
}

} // namespace

void FollowChange(IThumbnailStore& store, const ui::ChangeNotice& notice) {
    switch (notice.kind) {
    case ui::ChangeKind::Removed:
        if (notice.directory) {
            for (const std::string& path : PathsBelow(store, notice.path))
                store.Delete(ThumbnailKey(path));
        } else {
            DeleteOwn(store, notice.path);
        }
        return;
    case ui::ChangeKind::Renamed:
        if (notice.directory) {
            std::string from = notice.path;
            if (from.empty() || from.back() != '\\')
                from += '\\';
            std::string to = notice.newPath;
            if (to.empty() || to.back() != '\\')
                to += '\\';
            for (const std::string& path : PathsBelow(store, notice.path))
                RenameOne(store, path, to + path.substr(from.size()));
        } else {
            RenameOne(store, notice.path, notice.newPath);
        }
        return;
    case ui::ChangeKind::Added:
    case ui::ChangeKind::Changed:
        if (notice.directory)
            return;
        if (!notice.copiedFrom.empty())
            CarryTo(store, notice.copiedFrom, notice.path);
        else if (notice.kind == ui::ChangeKind::Added)
            DeleteOwn(store, notice.path);
        return;
    }
}

} // namespace vorlane::viewers
