#include "catalogue/CDriveIncremental.h"

#include "catalogue/CDirectoryInfo.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CatalogueServices.h"
#include "catalogue/private/DosNames.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "ui/UserInterface.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unordered_set>

namespace vorlane::catalogue {

namespace {

bool IsLinkOnDisk(const std::string& hostPath) {
    platform::FileEntry entry;
    return platform::StatEntry(hostPath, &entry) && entry.isSymlink;
}

std::string JoinHostPath(const std::string& dir, std::string_view name) {
    std::string out;
    out.reserve(dir.size() + 1 + name.size());
    out = dir;
    if (out.empty() || out.back() != '/')
        out.push_back('/');
    out.append(name);
    return out;
}

bool ExactlyLogged(const CDriveContainer::DirectoryList& directories, const std::string& path) {
    auto at =
        std::lower_bound(directories.begin(), directories.end(), path,
                         [](const std::unique_ptr<CDirectoryContainer>& d, const std::string& p) {
                             return platform::ComparePaths(d->Path(), p) < 0;
                         });
    return at != directories.end() && platform::ComparePaths((*at)->Path(), path) == 0;
}

} // namespace

bool CDriveIncremental::Log(const std::string& name) {
    Reset();
    char letter = name.empty() ? '\0' : name[0];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    m_driveType.Set(static_cast<unsigned char>(letter), *Environment().Drives(), true);
    if (!m_driveType.Exists()) {
        char text[80];
        std::snprintf(text, sizeof text, "Cannot log drive '%c' - drive is undefined!", letter);
        Environment().Ui().Message(text);
        m_driveType = app::CDriveType();
        return false;
    }
    m_letter = letter;
    m_volumeLabel = m_driveType.VolumeLabel();
    m_directories.push_back(std::make_unique<CDirectoryInfo>(this, RootPath()));
    SetCurrentDirectory(RootPath());
    Scan(RootPath(), 1);
    return true;
}

int CDriveIncremental::Scan(const std::string& startPath, int maxLevel) {
    CDirectoryContainer* startDirectory = FindDirectory(startPath);
    if (startDirectory == nullptr || startDirectory->IsZip())
        return 0;
    const std::string start = startDirectory->Path();
    if (platform::IsRootPath(start) && DirectoryCount() >= 2 && maxLevel == -1)
        return 0; // the root has been read
    const int startLevel = startDirectory->Level();
    if (maxLevel == -1)
        maxLevel = startLevel + 1;
    std::string startHost;
    if (!platform::DosToHost(start, &startHost, nullptr, *Environment().Drives()))
        return 0;
    // A link the user opened is read one level deep, never further.
    if (!platform::IsRootPath(start) && IsLinkOnDisk(startHost))
        maxLevel = std::min(maxLevel, startLevel + 1);

    // The directories read by this scan, in the order they were queued
    // (the queue itself is first in, first out, and grows as it needs).
    // fresh: the directory was added by this scan, so none of its children
    // can be logged yet. Each remembers the entries its listing added, so
    // the new directories come out in path order without a sort (a
    // directory, then its children's subtrees, children by name).
    struct Child {
        std::string name; // DOS name
        std::unique_ptr<CDirectoryContainer> added;
        size_t node; // its own node when it was queued, else npos
    };
    struct Node {
        std::string dos;
        std::string host;
        int level;
        bool fresh;
        std::vector<Child> children;
    };
    constexpr size_t kNone = static_cast<size_t>(-1);
    std::deque<Node> nodes;
    nodes.push_back({start, startHost, startLevel, false, {}});
    CCatalogueView& view = Environment().View();
    for (size_t next = 0; next < nodes.size(); ++next) {
        if (next % 10 == 0) {
            char text[64];
            std::snprintf(text, sizeof text, "# of Dirs Scanned = %zu", next);
            view.ShowProgress(text);
        }
        Node& item = nodes[next];
        const int childLevel = item.level + 1;
        const bool queueChildren = childLevel < maxLevel + 1;
        platform::ListDirectory(
            item.host, platform::ListDetail::Kinds, [&](const platform::ListedEntry& entry) {
                const bool isZip =
                    !entry.isDirectory && CZipFileDirectory::IsZipFileName(entry.name);
                if (!entry.isDirectory && !isZip)
                    return true;
                Child child{detail::DosNameOf(entry.name), nullptr, kNone};
                std::string dos = platform::JoinDosPath(item.dos, child.name);
                bool fresh = false;
                if (item.fresh || !ExactlyLogged(m_directories, dos)) {
                    fresh = true;
                    if (isZip)
                        child.added = std::make_unique<CZipFileDirectory>(this, dos);
                    else
                        child.added = std::make_unique<CDirectoryInfo>(this, dos);
                }
                const bool more = queueChildren;
                if (more && entry.isDirectory && !entry.isSymlink) {
                    child.node = nodes.size();
                    nodes.push_back({std::move(dos),
                                     JoinHostPath(item.host, entry.name),
                                     childLevel,
                                     fresh,
                                     {}});
                }
                // nodes may have grown: item is still valid (a deque keeps
                // its elements in place when it grows at the end).
                item.children.push_back(std::move(child));
                // At the deepest level one marker child is enough.
                return more;
            });
    }

    DirectoryList batch;
    std::vector<std::pair<size_t, size_t>> stack; // (node, next child)
    stack.push_back({0, 0});
    while (!stack.empty()) {
        auto& [index, position] = stack.back();
        Node& node = nodes[index];
        if (position == 0)
            std::sort(node.children.begin(), node.children.end(),
                      [](const Child& a, const Child& b) {
                          return platform::CompareNames(a.name, b.name) < 0;
                      });
        if (position == node.children.size()) {
            stack.pop_back();
            continue;
        }
        Child& child = node.children[position++];
        if (child.added)
            batch.push_back(std::move(child.added));
        if (child.node != kNone)
            stack.push_back({child.node, 0});
    }
    view.ProgressEnded();
    const size_t before = m_directories.size();
    AddDirectories(std::move(batch), true);
    const int added = static_cast<int>(m_directories.size() - before);
    if (added > 0)
        view.TreeChanged();
    return added;
}

bool CDriveIncremental::LogPath(const std::string& rawPath) {
    const std::string path = platform::NormalizeDosPath(rawPath);
    if (FindDirectory(path) != nullptr)
        return true;
    if (platform::PathDriveLetter(path) != m_letter || m_directories.empty())
        return false;
    std::string host;
    platform::FileEntry entry;
    // A directory, or a zip file (a directory of the catalogue too).
    if (!platform::DosToHost(path, &host, nullptr, *Environment().Drives()) ||
        !platform::StatEntry(host, &entry) ||
        !(entry.isDirectory || CZipFileDirectory::IsZipFileName(platform::LastComponent(path))))
        return false;
    // The names as the disk spells them.
    std::string exact;
    if (!platform::HostToDos(host, &exact, nullptr, *Environment().Drives()) ||
        platform::PathDriveLetter(exact) != m_letter)
        exact = path;
    exact = platform::NormalizeDosPath(exact);
    if (FindDirectory(exact) != nullptr)
        return true;
    std::string ancestor = platform::ParentDosPath(exact);
    while (!ancestor.empty() && FindDirectory(ancestor) == nullptr)
        ancestor = platform::ParentDosPath(ancestor);
    if (ancestor.empty())
        return false;
    Scan(ancestor, platform::PathLevel(exact));
    if (FindDirectory(exact) != nullptr)
        return true;
    // The way passes through a link, which scans do not descend: read each
    // missing step from its parent.
    std::vector<std::string> steps;
    for (std::string step = exact; step != ancestor && !step.empty();
         step = platform::ParentDosPath(step))
        steps.push_back(step);
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (FindDirectory(*it) != nullptr)
            continue;
        std::string parent = platform::ParentDosPath(*it);
        CDirectoryContainer* parentDirectory = FindDirectory(parent);
        if (parentDirectory == nullptr)
            return false;
        Scan(parentDirectory->Path(), parentDirectory->Level() + 1);
        if (FindDirectory(*it) == nullptr)
            return false;
    }
    return FindDirectory(exact) != nullptr;
}

bool CDriveIncremental::RefreshBranch(const std::string& rawPath) {
    CDirectoryContainer* directory = FindDirectory(rawPath);
    if (directory == nullptr || directory->IsZip())
        return false;
    const std::string path = directory->Path();
    const int level = directory->Level();
    std::string host;
    std::unordered_set<std::string> onDisk;
    bool listed = platform::DosToHost(path, &host, nullptr, *Environment().Drives()) &&
                  platform::ListDirectory(
                      host, platform::ListDetail::Kinds, [&](const platform::ListedEntry& entry) {
                          if (entry.isDirectory || CZipFileDirectory::IsZipFileName(entry.name))
                              onDisk.insert(detail::DosNameOf(entry.name));
                          return true;
                      });
    // The logged children that are gone (all of them when the directory
    // itself cannot be listed any more).
    std::vector<std::string> gone;
    int index = IndexOfPath(path);
    for (int i = index + 1; i < DirectoryCount() && DirectoryAt(i)->Level() > level; ++i) {
        CDirectoryContainer* child = DirectoryAt(i);
        if (child->Level() == level + 1 &&
            (!listed || onDisk.count(std::string(platform::LastComponent(child->Path()))) == 0))
            gone.push_back(child->Path());
    }
    for (const std::string& child : gone)
        RemoveDirectory(child);
    if (listed)
        Scan(path, level + 1);
    return true;
}

} // namespace vorlane::catalogue
