// The zip engine's entry points driven from the command line, one
// measurement per sub-command, so bench/zip.py can time each against
// Info-ZIP zip and unzip as whole processes.
//
//   zip_bench add <directory> <archive> [level]  add the directory, recursing,
//                                                 paths relative to its parent
//   zip_bench extract <archive> <destination>    extract every member with paths
//   zip_bench extract-files <archive> <destination>
//                                                 the same as the program's commands do it:
//                                                 through CZipFileOperation, with a status
//                                                 window that takes every update
//   zip_bench list <archive>                      read the members into the catalogue,
//                                                 as a window does, total them and
//                                                 print one line a member (name, size,
//                                                 date and time, as unzip -l does)
//   zip_bench delete <archive> <names-file>       delete the members named, one a line
//   zip_bench memory <archive>                    heap held per member by the listed
//                                                 archive, and the peak of the listing
#include "CountingStatus.h"

#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CZipFileInfo.h"
#include "catalogue/ZipDirectoryMembers.h"
#include "platform/Drives.h"
#include "ui/OperationContext.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipEngine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/resource.h>

using namespace vorlane;

namespace {

std::string Absolute(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string result = real != nullptr ? real : path;
    std::free(real);
    return result;
}

std::string Parent(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Base(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// C: is the directory of the files, D: the directory of the archive.
void MapDrives(const std::string& c, const std::string& d) {
    platform::DriveMap map;
    map.Set('C', c);
    map.Set('D', d);
    platform::DriveMap::SetCurrent(map);
}

// Bytes of the heap in use: the chunks handed out, headers and rounding
// included, and the blocks the allocator mapped on their own.
double HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}

// The largest resident size of the process so far, in bytes.
double PeakResident() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

int Report(const char* what, int rc) {
    if (rc != 0)
        std::fprintf(stderr, "%s failed: %d\n", what, rc);
    return rc == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zip_bench add|extract|list|delete ...\n");
        return 2;
    }
    // As the program does at start-up: with TZ unset, glibc re-reads the
    // zone file on every mktime (libzip converts each member's DOS time).
    ::setenv("TZ", ":/etc/localtime", 0);
    std::string mode = argv[1];
    if (mode == "add" && argc >= 4) {
        std::string dir = Absolute(argv[2]);
        std::string archive = Absolute(Parent(argv[3])) + "/" + Base(argv[3]);
        MapDrives(Parent(dir), Parent(archive));
        std::string zipPath = "D:\\" + Base(archive);
        std::string spec = "C:\\" + Base(dir);
        const auto drives = platform::DriveMap::Current();
        zip::ZipCommandRecord record;
        record.drives = drives.get();
        record.function = zip::kZipAdd;
        record.zipPath = zipPath.c_str();
        record.fileSpec = spec.c_str();
        record.recurse = 1;
        record.storeNoPaths = 0;
        record.options = zip::kZipStoreRelativePaths;
        record.compressionLevel = argc >= 5 ? std::atoi(argv[4]) : 5;
        return Report("add", zip::ZipEntry(record));
    }
    if (mode == "extract" && argc >= 4) {
        std::string archive = Absolute(argv[2]);
        std::string dest = Absolute(argv[3]);
        MapDrives(dest, Parent(archive));
        std::string zipPath = "D:\\" + Base(archive);
        const auto drives = platform::DriveMap::Current();
        zip::UnzipCommandRecord record;
        record.drives = drives.get();
        record.function = zip::kUnzipExtract;
        record.zipPath = zipPath.c_str();
        record.fileSpec = "*";
        record.destination = "C:\\";
        record.dropPaths = 0;
        record.overwrite = 1;
        return Report("extract", zip::UnzipEntry(record));
    }
    if (mode == "extract-files" && argc >= 4) {
        std::string archive = Absolute(argv[2]);
        std::string dest = Absolute(argv[3]);
        MapDrives(dest, Parent(archive));
        std::string zipPath = "D:\\" + Base(archive);
        bench::CountingStatus status;
        const ui::OperationContext context(ui::Current(), platform::DriveMap::Current());
        zip::CZipFileOperation operation(context, &status);
        if (operation.Open(zipPath) != zip::kOpened)
            return Report("open", operation.UnzipResultCode());
        const bool ok =
            operation.Extract("*", "C:\\", zip::kStoreRelativePaths, false, false, false);
        return Report("extract", ok ? 0 : operation.UnzipResultCode());
    }
    if (mode == "list") {
        std::string archive = Absolute(argv[2]);
        MapDrives(Parent(archive), Parent(archive));
        std::string zipPath = "D:\\" + Base(archive);
        catalogue::CZipFileDirectory directory(nullptr, zipPath);
        int state = directory.ReadMembers().state;
        if (state != catalogue::kZipRead)
            return Report("read directory", state);
        catalogue::ZipDirectoryTotals totals = catalogue::RecountZipTotals(directory);
        static char buffer[1 << 16];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
        for (const auto& file : directory.Files()) {
            const auto* member = static_cast<const catalogue::CZipFileInfo*>(file.get());
            std::string line = member->ListingLine(
                catalogue::kZipListName | catalogue::kZipListSize | catalogue::kZipListDateTime);
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
        }
        std::printf("%d members, %.0f bytes\n", directory.EntryCount(),
                    static_cast<double>(totals.uncompressed));
        return 0;
    }
    if (mode == "delete" && argc >= 4) {
        std::string archive = Absolute(argv[2]);
        MapDrives(Parent(archive), Parent(archive));
        std::string zipPath = "D:\\" + Base(archive);
        std::ifstream names(argv[3]);
        std::string line, spec;
        while (std::getline(names, line))
            if (!line.empty())
                spec += (spec.empty() ? "" : " ") + line;
        const auto drives = platform::DriveMap::Current();
        zip::ZipCommandRecord record;
        record.drives = drives.get();
        record.function = zip::kZipDelete;
        record.zipPath = zipPath.c_str();
        record.fileSpec = spec.c_str();
        return Report("delete", zip::ZipEntry(record));
    }
    if (mode == "memory") {
        // What a window holds for a listed archive: the zip directory's
        // member entries (the engine keeps nothing once the listing ends).
        // The names' own bytes are counted apart.
        std::string archive = Absolute(argv[2]);
        MapDrives(Parent(archive), Parent(archive));
        std::string zipPath = "D:\\" + Base(archive);
        const double heapBefore = HeapInUse();
        const double peakBefore = PeakResident();
        auto directory = std::make_unique<catalogue::CZipFileDirectory>(nullptr, zipPath);
        int state = directory->ReadMembers().state;
        if (state != catalogue::kZipRead)
            return Report("read directory", state);
        const double held = HeapInUse() - heapBefore;
        const double peak = PeakResident() - peakBefore;
        double nameBytes = 0;
        const int count = directory->EntryCount();
        for (int i = 0; i < count; ++i)
            nameBytes +=
                static_cast<double>(catalogue::ZipMember(*directory, i)->StoredName().size() + 1);
        if (count == 0)
            return Report("memory", 1);
        std::printf("%d members\n", count);
        std::printf("held-per-member %.1f\n", held / count);
        std::printf("name-bytes-per-member %.1f\n", nameBytes / count);
        std::printf("held-per-member-besides-name %.1f\n", (held - nameBytes) / count);
        std::printf("peak-resident-per-member %.1f\n", peak / count);
        return 0;
    }
    std::fprintf(stderr, "unknown or incomplete sub-command %s\n", mode.c_str());
    return 2;
}
