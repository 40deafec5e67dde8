#include "search/CFileFinder.h"

#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/FileSystem.h"
#include "search/CTextSearch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vorlane::search {

namespace {

// Directories waiting in the shared queue with their descriptor open; past
// this a walker walks a subdirectory itself.
constexpr size_t kMaxQueuedDirectories = 64;
// Below this depth of its own recursion a walker keeps descriptors open;
// deeper subdirectories are queued by path, so a deep tree cannot use up
// the process's descriptors.
constexpr int kMaxOwnDepth = 32;
// How often a waiting thread looks at the cancel flag.
constexpr auto kCancelPoll = std::chrono::milliseconds(20);

std::string Join(const std::string& relative, std::string_view name) {
    std::string path;
    path.reserve(relative.size() + name.size() + 1);
    if (!relative.empty()) {
        path = relative;
        path += '/';
    }
    path += name;
    return path;
}

} // namespace

struct CFileFinder::Walk {
    struct DirWork {
        int fd = -1; // -1: opened from the root by its path when taken
        std::string relative;
    };
    struct FileWork {
        int fd;
        std::string relative;
    };

    const CFileFinder& finder;
    const FoundCallback& found;
    const std::atomic<bool>* cancel;
    const bool content;
    int rootFd = -1;

    std::mutex dirMutex;
    std::condition_variable dirReady;
    std::deque<DirWork> dirs;
    size_t pending = 0; // directories queued or being walked

    std::mutex fileMutex;
    std::condition_variable fileReady;
    std::condition_variable fileSpace;
    std::deque<FileWork> files;
    bool walkDone = false;

    std::mutex resultMutex; // one found call at a time; guards summary
    FindSummary summary;

    Walk(const CFileFinder& f, const FoundCallback& callback, const std::atomic<bool>* c)
        : finder(f), found(callback), cancel(c), content(!f.m_parameters.containing.empty()) {}

    bool Cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }

    void Report(const std::string& relative) {
        std::lock_guard<std::mutex> lock(resultMutex);
        if (Cancelled())
            return;
        ++summary.found;
        found(relative);
    }

    void Failed(const platform::SysError& err) {
        std::lock_guard<std::mutex> lock(resultMutex);
        ++summary.unreadable;
        if (summary.firstError.empty())
            summary.firstError = err.message;
    }

    std::string HostPath(const std::string& relative) const {
        const std::string& root = finder.m_parameters.hostRoot;
        return relative.empty() ? root : root + "/" + relative;
    }

    // Opens a queued directory that has no descriptor: each component from
    // the root, never through a link.
    int OpenByPath(const std::string& relative, platform::SysError* err) {
        int fd = ::dup(rootFd);
        size_t from = 0;
        while (fd >= 0 && from < relative.size()) {
            size_t slash = std::min(relative.find('/', from), relative.size());
            int child = platform::OpenSubdirectory(fd, relative.substr(from, slash - from),
                                                   HostPath(relative), err);
            ::close(fd);
            fd = child;
            from = slash + 1;
        }
        return fd;
    }

    // Whether a name and the request let an entry through; dirFd is its
    // directory. A file that vanished meanwhile does not.
    bool Passes(int dirFd, const platform::ListedEntry& entry, const struct stat* known,
                const std::string& relative) {
        if (!finder.m_anyName && !finder.m_names.Selects(entry.name))
            return false;
        const CFileSearchRequest& request = finder.m_parameters.request;
        if (request.Empty())
            return true;
        struct stat st;
        if (known == nullptr) {
            const std::string name(entry.name);
            if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                return false;
            known = &st;
        }
        SearchFileFacts facts;
        facts.name = entry.name;
        facts.size = static_cast<uint64_t>(known->st_size);
        facts.date = platform::ToDosDateTime(
                         {known->st_mtim.tv_sec, static_cast<int32_t>(known->st_mtim.tv_nsec)})
                         .date;
        if (request.AttributesWanted())
            platform::GetAttributes(HostPath(Join(relative, entry.name)), &facts.attributes);
        return request.Matches(facts);
    }

    // Opens a file for the content threads and queues it; waits while the
    // queue is full.
    void QueueContent(int dirFd, std::string_view name, std::string relative) {
        const std::string host(name);
        int fd = ::openat(dirFd, host.c_str(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            platform::SysError err;
            platform::SetError(&err, errno, "Cannot open", HostPath(relative));
            Failed(err);
            return;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return;
        }
        std::unique_lock<std::mutex> lock(fileMutex);
        while (files.size() >= kMaxQueuedFiles && !Cancelled())
            fileSpace.wait_for(lock, kCancelPoll);
        if (Cancelled()) {
            ::close(fd);
            return;
        }
        files.push_back({fd, std::move(relative)});
        fileReady.notify_one();
    }

    // Lists the open directory fd (closed here), handles its files and
    // walks or queues its subdirectories.
    void WalkDirectory(int fd, const std::string& relative, int depth) {
        std::vector<std::string> subdirectories;
        platform::SysError err;
        const bool listed = platform::ListOpenDirectory(
            fd, HostPath(relative), platform::ListDetail::Names,
            [&](const platform::ListedEntry& entry) {
                if (Cancelled())
                    return false;
                uint32_t type = entry.mode & S_IFMT;
                struct stat st;
                const struct stat* known = nullptr;
                if (type == 0) {
                    const std::string name(entry.name);
                    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                        return true; // vanished meanwhile
                    type = st.st_mode & S_IFMT;
                    known = &st;
                }
                if (type == S_IFDIR) {
                    subdirectories.emplace_back(entry.name);
                    return true;
                }
                // FIFOs, sockets and devices are skipped; so are links when
                // content is wanted, as it is never read through one.
                if (type != S_IFREG && (type != S_IFLNK || content))
                    return true;
                if (!Passes(fd, entry, known, relative))
                    return true;
                if (content)
                    QueueContent(fd, entry.name, Join(relative, entry.name));
                else
                    Report(Join(relative, entry.name));
                return true;
            },
            &err);
        if (!listed)
            Failed(err);
        for (const std::string& name : subdirectories) {
            if (Cancelled())
                break;
            std::string childRelative = Join(relative, name);
            int child = platform::OpenSubdirectory(fd, name, HostPath(childRelative), &err);
            if (child < 0) {
                Failed(err);
                continue;
            }
            if (Offer(child, childRelative, depth))
                continue;
            WalkDirectory(child, childRelative, depth + 1);
        }
        ::close(fd);
    }

    // Hands a subdirectory to the shared queue when another walker may take
    // it (or when this walker is deep); false: walk it yourself.
    bool Offer(int& child, std::string& childRelative, int depth) {
        const bool deep = depth >= kMaxOwnDepth;
        std::lock_guard<std::mutex> lock(dirMutex);
        const bool room =
            finder.m_parameters.walkThreads > 1 && dirs.size() < kMaxQueuedDirectories;
        if (!room && !deep)
            return false;
        if (!room) {
            ::close(child);
            child = -1;
        }
        dirs.push_back({child, std::move(childRelative)});
        ++pending;
        dirReady.notify_one();
        return true;
    }

    void Walker() {
        for (;;) {
            DirWork work;
            {
                std::unique_lock<std::mutex> lock(dirMutex);
                while (dirs.empty() && pending != 0 && !Cancelled())
                    dirReady.wait_for(lock, kCancelPoll);
                if (dirs.empty() || Cancelled())
                    return;
                work = std::move(dirs.front());
                dirs.pop_front();
            }
            platform::SysError err;
            int fd = work.fd >= 0 ? work.fd : OpenByPath(work.relative, &err);
            if (fd >= 0)
                WalkDirectory(fd, work.relative, 0);
            else
                Failed(err);
            std::lock_guard<std::mutex> lock(dirMutex);
            if (--pending == 0)
                dirReady.notify_all();
        }
    }

    void Searcher() {
        const FindParameters& p = finder.m_parameters;
        CTextSearch text;
        SearchLimits limits;
        limits.cancel = cancel;
        limits.firstMatch = true;
        limits.skipBinary = p.skipBinary;
        limits.maxBuffer = kMaxLineBuffer;
        text.SetLimits(limits);
        text.Compile(p.containing, p.mode, p.ignoreCase, nullptr);
        for (;;) {
            FileWork work;
            {
                std::unique_lock<std::mutex> lock(fileMutex);
                while (files.empty() && !walkDone && !Cancelled())
                    fileReady.wait_for(lock, kCancelPoll);
                if (files.empty() || Cancelled())
                    return;
                work = std::move(files.front());
                files.pop_front();
                fileSpace.notify_one();
            }
            const bool hit = text.SearchCompiled(work.fd, work.relative);
            ::close(work.fd);
            if (hit)
                Report(work.relative);
        }
    }

    void CloseLeftovers() {
        for (const DirWork& work : dirs)
            if (work.fd >= 0)
                ::close(work.fd);
        for (const FileWork& work : files)
            ::close(work.fd);
        dirs.clear();
        files.clear();
    }
};

bool CFileFinder::Prepare(FindParameters parameters, std::string* error) {
    m_parameters = std::move(parameters);
    m_parameters.walkThreads = std::max(1u, m_parameters.walkThreads);
    if (m_parameters.searchThreads == 0)
        m_parameters.searchThreads = std::max(1u, std::thread::hardware_concurrency());
    m_anyName = m_parameters.fileTypes.empty();
    if (!m_anyName) {
        std::vector<std::string> entries;
        std::string badItem;
        if (!ExpandFileTypes(m_parameters.fileTypes, m_parameters.sets, &entries, &badItem, error))
            return false;
        m_names.Assign(entries);
    }
    m_parameters.sets = nullptr; // not read again, maybe not alive during the run
    if (!m_parameters.containing.empty()) {
        CCompiledPattern pattern;
        int rc =
            pattern.Compile(m_parameters.containing, m_parameters.mode, m_parameters.ignoreCase);
        if (rc != kPatternOk) {
            *error = PatternErrorMessage(rc);
            return false;
        }
    }
    return true;
}

bool CFileFinder::Run(const FoundCallback& found, const std::atomic<bool>* cancel,
                      std::string* error) {
    m_summary = FindSummary{};
    Walk walk(*this, found, cancel);
    platform::SysError err;
    walk.rootFd = ::open(m_parameters.hostRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (walk.rootFd < 0) {
        platform::SetError(&err, errno, "Cannot read the directory", m_parameters.hostRoot);
        *error = err.message;
        return false;
    }
    walk.dirs.push_back({::dup(walk.rootFd), ""});
    walk.pending = 1;
    std::vector<std::thread> searchers;
    if (walk.content)
        for (unsigned i = 0; i < m_parameters.searchThreads; ++i)
            searchers.emplace_back([&walk] { walk.Searcher(); });
    std::vector<std::thread> walkers;
    for (unsigned i = 1; i < m_parameters.walkThreads; ++i)
        walkers.emplace_back([&walk] { walk.Walker(); });
    walk.Walker();
    for (std::thread& t : walkers)
        t.join();
    {
        std::lock_guard<std::mutex> lock(walk.fileMutex);
        walk.walkDone = true;
        walk.fileReady.notify_all();
    }
    for (std::thread& t : searchers)
        t.join();
    walk.CloseLeftovers();
    ::close(walk.rootFd);
    m_summary = walk.summary;
    m_summary.cancelled = walk.Cancelled();
    return true;
}

bool ResolveFindRoot(const std::string& dosRoot, const platform::DriveMap& drives,
                     std::string* hostRoot, std::string* dosPrefix, std::string* error) {
    platform::SysError sysError;
    if (!platform::DosToHost(dosRoot, hostRoot, &sysError, drives)) {
        *error = sysError.message;
        return false;
    }
    std::string shown = dosRoot;
    platform::HostToDos(*hostRoot, &shown, nullptr, drives);
    *dosPrefix = !shown.empty() && shown.back() == '\\' ? shown : shown + "\\";
    return true;
}

std::string FoundDosPath(const std::string& dosPrefix, const std::string& relative) {
    std::string path = dosPrefix;
    size_t from = 0;
    while (from <= relative.size()) {
        const size_t slash = std::min(relative.find('/', from), relative.size());
        if (from != 0)
            path += '\\';
        path += platform::HostNameToDos(relative.substr(from, slash - from));
        from = slash + 1;
    }
    return path;
}

} // namespace vorlane::search
