// Benchmark program for the file operation engine. Drive C: is mapped onto
// the source side and D: onto the target side, and every file goes through
// one primitive of one CFileOperation with a status window that counts
// what it is told (as the drivers run it), DOS paths and all.
//
//   fileops_bench copy SOURCE_FILE TARGET_FILE    one Copy
//   fileops_bench tree SOURCE_DIR TARGET_DIR      the tree copied one Copy after
//                                                 another (directories made first)
//   fileops_bench zap FILE                        one one-pass Zap
//
// Exit status 0 on success; a failure prints the error text.
#include "CountingStatus.h"

#include "fileops/CFileOperation.h"
#include "platform/DirectoryListing.h"
#include "platform/DosPath.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "ui/OperationContext.h"
#include "ui/UserInterface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace vorlane;

using bench::CountingStatus;

// An existing directory as an absolute path.
std::string Absolute(const std::string& dir) {
    char* real = ::realpath(dir.c_str(), nullptr);
    std::string result = real ? real : dir;
    std::free(real);
    return result;
}

void MapDrives(const std::string& c, const std::string& d) {
    platform::DriveMap map;
    map.Set('C', Absolute(c));
    map.Set('D', Absolute(d));
    platform::DriveMap::SetCurrent(map);
}

bool Fail(fileops::CFileOperation& op, const std::string& what) {
    std::fprintf(stderr, "%s: %s (%s)\n", what.c_str(), op.Error().Message().c_str(),
                 op.Error().Detail().c_str());
    return false;
}

// Copies the host directory below C:\<rel> into D:\<rel>, depth first. The
// listing is the catalogue's fast one (names and kinds).
bool CopyTree(fileops::CFileOperation& op, const std::string& hostSource,
              const std::string& relative) {
    std::vector<std::pair<std::string, bool>> entries; // name, is a directory
    platform::SysError err;
    if (!platform::ListDirectory(
            hostSource, platform::ListDetail::Kinds,
            [&](const platform::ListedEntry& e) {
                entries.emplace_back(std::string(e.name), e.isDirectory && !e.isSymlink);
                return true;
            },
            &err)) {
        std::fprintf(stderr, "%s\n", err.message.c_str());
        return false;
    }
    for (const auto& [name, isDirectory] : entries) {
        std::string child = relative + "\\" + platform::HostNameToDos(name);
        if (isDirectory) {
            std::string hostTarget;
            if (!platform::DosToHost("D:" + child, &hostTarget, &err) ||
                !platform::MakeDirectory(hostTarget, &err)) {
                std::fprintf(stderr, "%s\n", err.message.c_str());
                return false;
            }
            if (!CopyTree(op, hostSource + "/" + name, child))
                return false;
        } else if (!op.Copy("C:" + child, "D:" + child, false)) {
            return Fail(op, "copy " + child);
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fileops_bench copy|tree|zap PATH [PATH]\n");
        return 2;
    }
    std::string mode = argv[1];
    CountingStatus status;
    // The operation takes the drive map as it is when it is made: after
    // MapDrives.
    auto operation = [&status] {
        return fileops::CFileOperation(
            ui::OperationContext(ui::Current(), platform::DriveMap::Current()), &status);
    };
    if (mode == "copy" && argc == 4) {
        std::string from = argv[2], to = argv[3];
        MapDrives(platform::HostDirName(from), platform::HostDirName(to));
        fileops::CFileOperation op = operation();
        return op.Copy("C:\\" + platform::HostNameToDos(platform::HostBaseName(from)),
                       "D:\\" + platform::HostNameToDos(platform::HostBaseName(to)), false)
                   ? 0
                   : (Fail(op, "copy"), 1);
    }
    if (mode == "tree" && argc == 4) {
        std::string to = argv[3];
        platform::SysError err;
        if (!platform::MakeDirectory(to, &err)) {
            std::fprintf(stderr, "%s\n", err.message.c_str());
            return 1;
        }
        MapDrives(argv[2], to);
        fileops::CFileOperation op = operation();
        return CopyTree(op, argv[2], "") ? 0 : 1;
    }
    if (mode == "zap" && argc == 3) {
        std::string path = argv[2];
        MapDrives(platform::HostDirName(path), platform::HostDirName(path));
        fileops::CFileOperation op = operation();
        return op.Zap("C:\\" + platform::HostNameToDos(platform::HostBaseName(path)), 1)
                   ? 0
                   : (Fail(op, "zap"), 1);
    }
    std::fprintf(stderr, "usage: fileops_bench copy|tree|zap PATH [PATH]\n");
    return 2;
}
