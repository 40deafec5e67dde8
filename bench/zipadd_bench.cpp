// The Add File(s) To ZIP File command driven from the command line, so
// bench/zipadd.py can time it against Info-ZIP zip as a whole process.
//
//   zipadd_bench <directory> <archive> [level]
//       makes an empty archive, then adds every file of the directory (by
//       name, without paths, not recursing) as the command does: the chosen
//       names built into file specifications and added through
//       CZipFileOperation under the command's status window (the silent
//       interface's, which takes every update)
#include "BenchInterface.h"

#include "fileops/CZipAdd.h"
#include "platform/DosPath.h"
#include "platform/Drives.h"
#include "ui/OperationContext.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <string>
#include <vector>

using namespace vorlane;

namespace {

// The names of the plain files of a directory, sorted.
std::vector<std::string> FileNames(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_type == DT_REG)
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: zipadd_bench <directory> <archive> [level]\n");
        return 2;
    }
    ::setenv("TZ", ":/etc/localtime", 0);
    const std::string dir = bench::Absolute(argv[1]);
    const std::string archive = argv[2];
    const size_t slash = archive.rfind('/');
    const std::string archiveDir =
        bench::Absolute(slash == std::string::npos ? "." : archive.substr(0, slash));
    platform::DriveMap map;
    map.Set('C', dir);
    map.Set('D', archiveDir);
    platform::DriveMap::SetCurrent(map);
    const ui::OperationContext context(ui::SilentInterface(), platform::DriveMap::Current());

    fileops::CZipAddParameters p;
    p.zipPath = "D:\\" + archive.substr(slash + 1);
    p.compressionFactor = argc >= 4 ? std::atoi(argv[3]) : 5;
    for (const std::string& name : FileNames(dir))
        p.files.push_back("C:\\" + platform::HostNameToDos(name));
    {
        zip::CZipFileOperation op(context);
        if (!op.Create(p.zipPath, false)) {
            std::fprintf(stderr, "cannot create %s\n", archive.c_str());
            return 1;
        }
    }
    const fileops::CZipAddOutcome out = fileops::RunZipAdd(p, context);
    std::printf("specifications %d\n", out.specifications);
    return out.added ? 0 : 1;
}
