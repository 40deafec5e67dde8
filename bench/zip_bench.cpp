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
//                                                 as a window does, and total them
//   zip_bench delete <archive> <names-file>       delete the members named, one a line
#include "CountingStatus.h"

#include "catalogue/CZipFileDirectory.h"
#include "platform/Drives.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipDirectoryMembers.h"
#include "zip/ZipEngine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

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
        zip::ZipCommandRecord record;
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
        zip::UnzipCommandRecord record;
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
        zip::CZipFileOperation operation(&status);
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
        zip::CZipFileOperation operation;
        int state = operation.ReadDirectory(zipPath, directory, false);
        if (state != catalogue::kZipRead)
            return Report("read directory", state);
        zip::ZipDirectoryTotals totals = zip::RecountZipTotals(directory);
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
        zip::ZipCommandRecord record;
        record.function = zip::kZipDelete;
        record.zipPath = zipPath.c_str();
        record.fileSpec = spec.c_str();
        return Report("delete", zip::ZipEntry(record));
    }
    std::fprintf(stderr, "unknown or incomplete sub-command %s\n", mode.c_str());
    return 2;
}
