// Benchmark driver of the catalogue, run by bench/catalogue.py:
//
//   catalogue_bench expand TREE          Expand All over TREE (mapped as C:)
//                                        and print every directory's path
//   catalogue_bench current DIR KEY      make DIR current (read, match, sort
//                                        by KEY: name, size or extension,
//                                        count) and print the list as a
//                                        window shows it: name, size, date,
//                                        time and attributes of every file
//   catalogue_bench tags DIR ROUNDS      Tag Every, Invert All and the range
//                                        of "[tagged]"; median milliseconds
//   catalogue_bench memory TREE DIR      heap bytes per directory record and
//                                        per file record
//
// Heap bytes are counted by replacing the global operator new and delete:
// every allocation adds its usable size, every release takes it away.
#include "catalogue/CFileInfo.h"
#include "catalogue/CFileManagerSession.h"
#include "platform/Drives.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

namespace {

// Counted only in the memory mode, so the timed modes run at full speed.
// The program has one thread.
bool g_counting = false;
long long g_liveBytes = 0;

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    if (g_counting)
        g_liveBytes += static_cast<long long>(malloc_usable_size(p));
    return p;
}

void Release(void* p) {
    if (p == nullptr)
        return;
    if (g_counting)
        g_liveBytes -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}

namespace {

using namespace vorlane;
using Clock = std::chrono::steady_clock;

void MapDrive(const std::string& hostDir) {
    platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + hostDir));
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

int Expand(const std::string& tree) {
    MapDrive(tree);
    catalogue::CFileManagerSession session;
    if (!session.LogDrive('C'))
        return 1;
    session.RunTreeCommand(catalogue::kCmdExpandAll);
    // Every path, as find prints every directory it passes.
    for (const auto& directory : session.CurrentDrive()->Directories()) {
        std::fputs(directory->Path().c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::printf("%d directories\n", session.CurrentDrive()->DirectoryCount());
    return 0;
}

int Current(const std::string& dir, const std::string& key) {
    MapDrive(dir);
    catalogue::CFileManagerSession session;
    int method = key == "size"        ? catalogue::kSortMethodSize
                 : key == "extension" ? catalogue::kSortMethodExtension
                                      : catalogue::kSortMethodName;
    session.DisplaySettings().SetSortMethod(method);
    if (!session.LogDrive('C'))
        return 1;
    const catalogue::CDirectoryContainer* current = session.CurrentDirectory();
    // The list, one line a file, as ls -l prints its own.
    std::string line;
    for (const auto& file : current->Files()) {
        line.assign(file->Name());
        line.append(" ").append(std::to_string(file->Size()));
        line.append(" ").append(catalogue::CFileContainer::DateText(file->Date()));
        line.append(" ").append(catalogue::CFileContainer::TimeText(file->Time()));
        line.append(" ").append(file->AttributeText()).append("\n");
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::printf("%d files, %llu bytes, first %s\n", current->FileCount(),
                static_cast<unsigned long long>(current->TotalSize()),
                current->FileCount() > 0 ? current->File(0)->Name().c_str() : "-");
    return 0;
}

int Tags(const std::string& dir, int rounds) {
    MapDrive(dir);
    catalogue::CFileManagerSession session;
    if (!session.LogDrive('C'))
        return 1;
    std::vector<double> every, invert, range;
    int sink = 0;
    for (int i = 0; i < rounds; ++i) {
        session.RunTagCommand(catalogue::kCmdUntagAll);
        auto t0 = Clock::now();
        sink += session.RunTagCommand(catalogue::kCmdTagEvery);
        auto t1 = Clock::now();
        sink += session.RunTagCommand(catalogue::kCmdInvertAll);
        auto t2 = Clock::now();
        sink += session.GroupRange(catalogue::kGroupTagged).count;
        auto t3 = Clock::now();
        every.push_back(Milliseconds(t1 - t0));
        invert.push_back(Milliseconds(t2 - t1));
        range.push_back(Milliseconds(t3 - t2));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("files %d\n", session.FileCount());
    std::printf("tag-every %.4f\n", median(every));
    std::printf("invert-all %.4f\n", median(invert));
    std::printf("tagged-range %.4f\n", median(range));
    std::printf("sink %d\n", sink);
    return 0;
}

int Memory(const std::string& tree, const std::string& dir) {
    g_counting = true;
    {
        // Files first, while the record pool is still empty: logging the
        // drive reads its root's file list, and that is nearly all it
        // allocates.
        MapDrive(dir);
        catalogue::CFileManagerSession session;
        long long bytes = g_liveBytes;
        if (!session.LogDrive('C'))
            return 1;
        const catalogue::CDirectoryContainer* current = session.CurrentDirectory();
        int files = current->FileCount();
        long long nameHeap = 0;
        for (const auto& file : current->Files())
            if (file->Name().capacity() > 15)
                nameHeap += static_cast<long long>(file->Name().capacity() + 1);
        std::printf("file-record %.1f\n",
                    static_cast<double>(g_liveBytes - bytes - nameHeap) / files);
        std::printf("file-name-heap %.1f\n", static_cast<double>(nameHeap) / files);
        std::printf("file-object %zu\n", sizeof(catalogue::CFileInfo));
    }
    {
        MapDrive(tree);
        catalogue::CFileManagerSession session;
        if (!session.LogDrive('C'))
            return 1;
        int before = session.CurrentDrive()->DirectoryCount();
        long long bytes = g_liveBytes;
        session.RunTreeCommand(catalogue::kCmdExpandAll);
        int added = session.CurrentDrive()->DirectoryCount() - before;
        double perDirectory = static_cast<double>(g_liveBytes - bytes) / added;
        long long pathBytes = 0;
        for (const auto& directory : session.CurrentDrive()->Directories())
            pathBytes += static_cast<long long>(directory->Path().size());
        std::printf("directory-record %.1f\n", perDirectory);
        std::printf("directory-path-chars %.1f\n",
                    static_cast<double>(pathBytes) / session.CurrentDrive()->DirectoryCount());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The lists go to a file: buffered in large blocks, as ls and find do.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "expand" && argc == 3)
        return Expand(argv[2]);
    if (mode == "current" && argc == 4)
        return Current(argv[2], argv[3]);
    if (mode == "tags" && argc == 4)
        return Tags(argv[2], std::atoi(argv[3]));
    if (mode == "memory" && argc == 4)
        return Memory(argv[2], argv[3]);
    std::fprintf(stderr, "usage: catalogue_bench expand TREE | current DIR name|size|extension |"
                         " tags DIR ROUNDS | memory TREE DIR\n");
    return 2;
}
