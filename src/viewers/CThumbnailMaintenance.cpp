#include "viewers/CThumbnailMaintenance.h"

#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "viewers/CImage.h"
#include "viewers/ImageFormats.h"

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

namespace vorlane::viewers {

namespace {

const char kScanCaption[] = "Thumbnail Scanning";
const char kRemoveAllCaption[] = "Remove All Thumbnails";
const char kRemoveOrphansCaption[] = "Remove Orphan Thumbnails";
const char kNoTypes[] = "No graphic file types have been selected for thumbnail scanning (goto "
                        "Options / General Settings / Thumbnails!";
const char kNoThumbnails[] = "There are no thumbnails in Vorlane's object database!";
const char kSaving[] = "Saving thumbnail to object database...";

std::string Printf(const char* format, const std::string& text) {
    std::string out = format;
    out.replace(out.find("%s"), 2, text);
    return out;
}

std::string Short(const std::string& dosPath) {
    return platform::AbbreviatePath(dosPath, kThumbnailPathLimit);
}

std::string RealPath(const std::string& hostPath) {
    char buffer[PATH_MAX];
    return ::realpath(hostPath.c_str(), buffer) ? std::string(buffer) : std::string();
}

// Loads and encodes on worker threads; the thread that submits takes the
// results. Submitted tasks come back in any order, each exactly once,
// unless Discard dropped them before a worker took them.
class DecodePool {
  public:
    struct Task {
        std::string host;
        std::string dos;
    };
    struct Result {
        std::string dos;
        std::vector<uint8_t> png;
        bool ok = false;
    };

    explicit DecodePool(unsigned workers) {
        for (unsigned i = 0; i < workers; ++i)
            m_threads.emplace_back([this] { Work(); });
    }
    ~DecodePool() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            m_tasks.clear();
        }
        m_wake.notify_all();
        for (std::thread& t : m_threads)
            t.join();
    }

    void Submit(Task task) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tasks.push_back(std::move(task));
            ++m_outstanding;
        }
        m_wake.notify_one();
    }
    // Waits up to wait for a result; false when none came.
    bool Take(Result* result, std::chrono::milliseconds wait) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_done.wait_for(lock, wait, [this] { return !m_results.empty(); }))
            return false;
        *result = std::move(m_results.front());
        m_results.pop_front();
        --m_outstanding;
        return true;
    }
    // Drops the tasks no worker has taken yet.
    void Discard() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_outstanding -= m_tasks.size();
        m_tasks.clear();
    }
    // Submitted and not yet taken.
    size_t Outstanding() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_outstanding;
    }

  private:
    void Work() {
        for (;;) {
            Task task;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_tasks.empty(); });
                if (m_stop)
                    return;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            Result result;
            result.dos = std::move(task.dos);
            std::string error;
            result.ok = MakeThumbnailPng(task.host, &result.png, &error);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_results.push_back(std::move(result));
            }
            m_done.notify_one();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Task> m_tasks;
    std::deque<Result> m_results;
    size_t m_outstanding = 0;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

// An entry of a listed directory, kept while the next ones are handled.
struct Listed {
    std::string name;
    bool directory;
    bool link;
    uint32_t mode;
    uint64_t size;
    platform::FileTime time;
};

} // namespace

std::string ThumbnailScanFilter(const std::vector<int32_t>& types) {
    std::string filter;
    for (int32_t code : types) {
        const std::string wildcards = ImageFormatWildcards(code);
        if (wildcards.empty())
            continue;
        if (!filter.empty())
            filter += ';';
        filter += wildcards;
    }
    return filter;
}

bool ThumbnailScanRequest(const std::vector<int32_t>& types, search::CFileSearchRequest* request) {
    request->Clear();
    const std::string filter = ThumbnailScanFilter(types);
    if (filter.empty())
        return false;
    return request->AddCondition(
        search::CFileSearchCondition(search::kFieldFilename, search::kOpEqual, filter));
}

bool MakeThumbnailPng(const std::string& hostPath, std::vector<uint8_t>* png, std::string* error,
                      const std::function<void(const char*)>& step) {
    auto show = [&](const char* text) {
        if (step)
            step(text);
    };
    show("Loading...");
    CImage image;
    if (!image.ThumbnailFile(hostPath, kThumbnailWidth, kThumbnailHeight)) {
        *error = image.ErrorText();
        return false;
    }
    const ImageSize own = image.SourceSize();
    if (own.width > kThumbnailWidth || own.height > kThumbnailHeight)
        show("Resizing...");
    show("Converting to Compuserve PNG format...");
    std::vector<unsigned char> bytes;
    if (!image.EncodePalettePng(bytes)) {
        *error = image.ErrorText();
        return false;
    }
    png->assign(bytes.begin(), bytes.end());
    return true;
}

CThumbnailMaintenance::CThumbnailMaintenance(const ui::OperationContext& context,
                                             IThumbnailStore& store, std::vector<int32_t> types,
                                             unsigned workers)
    : m_context(context), m_store(store), m_types(std::move(types)),
      m_workers(workers ? workers : std::max(1u, std::thread::hardware_concurrency())) {}

int CThumbnailMaintenance::RemoveAll() {
    ui::UserInterface& ui = m_context.Ui();
    std::vector<std::string> names = m_store.Names();
    if (names.empty()) {
        ui.Message(kNoThumbnails, kRemoveAllCaption, ui::Buttons::Ok, ui::Icon::Information);
        return 0;
    }
    const std::string question = "Do you wish to remove all " + std::to_string(names.size()) +
                                 " thumbnails from Vorlane's object database?";
    if (!ui.AskYesNo(question, kRemoveAllCaption))
        return 0;
    return RemoveWhere(names, kRemoveAllCaption,
                       "Removing all thumbnails from Vorlane's object database...",
                       [](const std::string&) { return true; });
}

int CThumbnailMaintenance::RemoveOrphans() {
    ui::UserInterface& ui = m_context.Ui();
    std::vector<std::string> names = m_store.Names();
    if (names.empty()) {
        ui.Message(kNoThumbnails, kRemoveOrphansCaption, ui::Buttons::Ok, ui::Icon::Information);
        return 0;
    }
    // A name is looked up as a DOS path is, without regard to case: a
    // picture that exists under a case variant keeps its thumbnail.
    const platform::DriveMap& drives = m_context.Drives();
    return RemoveWhere(names, kRemoveOrphansCaption,
                       "Removing all orphan thumbnails from Vorlane's object database...",
                       [&drives](const std::string& name) {
                           std::string host;
                           platform::FileEntry entry;
                           return !platform::DosToHost(name, &host, nullptr, drives) ||
                                  !platform::StatEntry(host, &entry) || entry.isDirectory;
                       });
}

int CThumbnailMaintenance::RemoveWhere(const std::vector<std::string>& names, const char* caption,
                                       const char* text,
                                       const std::function<bool(const std::string&)>& remove) {
    ui::UserInterface& ui = m_context.Ui();
    auto status = ui.MakeStatusWindow(ui::StatusKind::Message, caption);
    status->SetCurrentMessage(text);
    int deleted = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (remove(names[i]) && m_store.Delete(names[i]))
            ++deleted;
        status->SetCurrentPercent(static_cast<int>((i + 1) * 100 / names.size()));
    }
    status.reset();
    if (deleted > 0)
        ui.RequestRepaint();
    return deleted;
}

bool CThumbnailMaintenance::Store(const std::string& dosPath, const std::vector<uint8_t>& png,
                                  ui::StatusWindow* status) {
    if (status)
        status->SetField(ui::StatusField::Step, kSaving);
    const std::vector<uint8_t> object = EncodeThumbnailObject(png, dosPath);
    return !object.empty() && m_store.Put(ThumbnailKey(dosPath), object);
}

bool CThumbnailMaintenance::MakeThumbnail(const std::string& dosPath, ui::StatusWindow* status) {
    if (status)
        status->SetField(ui::StatusField::File, Short(ThumbnailKey(dosPath)));
    std::string host;
    if (!platform::DosToHost(dosPath, &host, nullptr, m_context.Drives()))
        return false;
    std::vector<uint8_t> png;
    std::string error;
    auto step = [status](const char* text) {
        if (status)
            status->SetField(ui::StatusField::Step, text);
    };
    return MakeThumbnailPng(host, &png, &error, step) && Store(dosPath, png, status);
}

bool CThumbnailMaintenance::ScanDrive(char letter) {
    if (m_context.Drives().Root(letter).empty())
        return false;
    return Scan(std::string(1, letter) + ":\\", true);
}

bool CThumbnailMaintenance::Scan(const std::string& dosDirectory, bool recurse) {
    m_counts = {};
    m_cancelled = false;
    ui::UserInterface& ui = m_context.Ui();
    search::CFileSearchRequest request;
    if (!ThumbnailScanRequest(m_types, &request)) {
        ui.Message(kNoTypes);
        return false;
    }
    std::string rootHost;
    platform::SysError err;
    if (!platform::DosToHost(dosDirectory, &rootHost, &err, m_context.Drives())) {
        ui.Message(err.message);
        return false;
    }
    const std::string rootReal = RealPath(rootHost);

    auto status = ui.MakeStatusWindow(ui::StatusKind::ThumbnailScan, kScanCaption);
    auto cancelled = [&] {
        if (!m_cancelled && (status->Cancelled() || m_context.Cancelled()))
            m_cancelled = true;
        return m_cancelled;
    };
    // Polled while results are awaited: not a check of the walk.
    auto cancelRequested = [&] {
        if (!m_cancelled && (status->CancelRequested() || m_context.Cancelled()))
            m_cancelled = true;
        return m_cancelled;
    };

    std::set<std::string> changedDirectories;
    DecodePool pool(m_workers);
    const size_t capacity = 2 * size_t{m_workers};
    auto handle = [&](DecodePool::Result& result) {
        // After a cancel the pictures still being decoded are dropped: the
        // store may already refuse (a job's store gives up once cancelled).
        if (m_cancelled)
            return;
        if (result.ok && Store(result.dos, result.png, status.get())) {
            ++m_counts.thumbnails;
            status->SetField(ui::StatusField::ThumbnailsCreated,
                             std::to_string(m_counts.thumbnails));
            changedDirectories.insert(platform::ParentDosPath(result.dos));
        } else {
            ++m_counts.failures;
            status->AddError(Printf("Unable to create thumbnail for '%s'.", result.dos));
        }
    };
    // Takes results until at most limit are outstanding; on cancel the
    // pictures not yet started are dropped.
    auto drain = [&](size_t limit) {
        while (pool.Outstanding() > limit) {
            if (cancelRequested())
                pool.Discard();
            DecodePool::Result result;
            if (pool.Take(&result, std::chrono::milliseconds(50)))
                handle(result);
        }
    };

    struct Directory {
        std::string dos;
        std::string host;
    };
    std::deque<Directory> queue{{platform::NormalizeDosPath(dosDirectory), rootHost}};
    while (!queue.empty() && !cancelled()) {
        Directory dir = std::move(queue.front());
        queue.pop_front();
        status->SetField(ui::StatusField::Directory, Short(dir.dos));
        ++m_counts.directories;
        status->SetField(ui::StatusField::DirectoriesScanned, std::to_string(m_counts.directories));
        std::vector<Listed> entries;
        platform::SysError listError;
        if (!platform::ListDirectory(
                dir.host, platform::ListDetail::Stat,
                [&](const platform::ListedEntry& e) {
                    entries.push_back({std::string(e.name), e.isDirectory, e.isSymlink, e.mode,
                                       e.size, e.lastWriteTime});
                    return true;
                },
                &listError)) {
            status->AddError(listError.message);
            continue;
        }
        for (const Listed& e : entries) {
            const std::string dosName = platform::HostNameToDos(e.name);
            const std::string dos = platform::JoinDosPath(dir.dos, dosName);
            const std::string host = dir.host + "/" + e.name;
            if (e.directory) {
                // A directory reached through a link may lead anywhere: it is
                // never entered.
                if (recurse && !e.link)
                    queue.push_back({dos, host});
                continue;
            }
            if (cancelled())
                break;
            ++m_counts.files;
            status->SetField(ui::StatusField::FilesExamined, std::to_string(m_counts.files));
            if (!S_ISREG(e.mode))
                continue; // FIFOs, sockets, devices, dangling links
            search::SearchFileFacts facts{dosName, e.size, platform::ToDosDateTime(e.time).date, 0};
            if (!request.Matches(facts))
                continue;
            if (e.link) {
                const std::string target = RealPath(host);
                const std::string inside = rootReal == "/" ? rootReal : rootReal + "/";
                if (rootReal.empty() || target.compare(0, inside.size(), inside) != 0)
                    continue;
            }
            status->SetField(ui::StatusField::File, Short(ThumbnailKey(dos)));
            status->SetField(ui::StatusField::Step, "Loading...");
            drain(capacity - 1);
            if (m_cancelled)
                break;
            pool.Submit({host, dos});
        }
    }
    drain(0);
    status.reset();
    // The windows showing these directories draw the new thumbnails.
    for (const std::string& dir : changedDirectories)
        m_context.Notices().Notify({ui::ChangeKind::Changed, dir, "", true});
    return m_counts.thumbnails > 0;
}

} // namespace vorlane::viewers
