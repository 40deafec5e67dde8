// Benchmark program for the delete, rename, attribute and touch drivers:
// one run of a driver, as a job runs it, with the interface of the
// benchmark programs (no prompt: every question is answered "Yes To All",
// a message fails the run).
//
//   delete_bench remove|recycle C_DIR DIR      the tree DIR removed (normal
//                                              delete / to the recycle bin)
//   delete_bench rename C_DIR DIR FROM TO      the files of DIR matching FROM
//                                              renamed to TO ("*.TXT" "*.BAK")
//   delete_bench readonly C_DIR DIR            read-only set on every file of DIR
//   delete_bench touch C_DIR DIR               last write and last access times of
//                                              every file of DIR set to now
//
// C: is mapped onto the host directory C_DIR; DIR is a directory at the
// top of C: ("C:\TREE"). The recycle bin is the one of $XDG_DATA_HOME. Prints the
// counts of the run; exit status 0 only when the run did something,
// failed nothing and showed no message.
#include "BenchInterface.h"

#include "fileops/CFileDelete.h"
#include "fileops/CFileTouch.h"
#include "fileops/CFileWildcardRename.h"
#include "fileops/CSetFileAttributes.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "ui/OperationContext.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace vorlane;

namespace {

// The names of the files in a host directory (the group a user selects).
std::vector<std::string> Names(const std::string& hostDir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(hostDir))
        names.push_back(e.path().filename().string());
    return names;
}

int Usage() {
    std::fprintf(stderr, "usage: delete_bench remove|recycle|readonly|touch C_DIR DIR\n"
                         "       delete_bench rename C_DIR DIR FROM TO\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 4 ? argv[1] : "";
    if (mode.empty() || argc != (mode == "rename" ? 6 : 4) ||
        std::string(argv[3]).rfind("C:\\", 0) != 0)
        return Usage();
    auto drives = std::make_shared<platform::DriveMap>();
    const std::string cDir = bench::Absolute(argv[2]);
    drives->Set('C', cDir);
    bench::YesToAllInterface ui;
    bench::CountingSink sink;
    ui::OperationContext context(ui, drives, {}, &sink);
    const std::string dir = argv[3];

    uint64_t done = 0, failed = 0;
    if (mode == "remove" || mode == "recycle") {
        fileops::CRemoveDirectoryParameters p;
        p.deleteType = mode == "remove" ? fileops::kDeleteNormal : fileops::kDeleteRecycle;
        p.promptFirst = false;
        p.directory = dir;
        fileops::CDeleteOutcome out = fileops::RunRemoveDirectory(p, context);
        done = out.deleted + out.directories;
        failed = out.failed + out.skipped + (out.cancelled ? 1 : 0);
    } else if (mode == "rename") {
        fileops::CRenameParameters p;
        p.directory = dir;
        p.sourcePattern = argv[4];
        p.newName = argv[5];
        fileops::CRenameOutcome out = fileops::RunRename(p, context);
        done = out.renamed;
        failed = out.failed + (out.cancelled ? 1 : 0);
    } else if (mode == "readonly") {
        fileops::CAttributeParameters p;
        p.directory = dir;
        p.sourcePattern = "*.*";
        p.setMask = platform::kAttrReadOnly;
        p.leaveMask = fileops::kChangeableAttributes & ~platform::kAttrReadOnly;
        fileops::CAttributeOutcome out = fileops::RunSetAttributes(p, context);
        done = out.changed;
        failed = out.failed + (out.cancelled ? 1 : 0);
    } else if (mode == "touch") {
        fileops::CTouchParameters p;
        p.directory = dir;
        p.files = Names(cDir + "/" + dir.substr(3));
        p.fields = fileops::kTouchLastWrite | fileops::kTouchLastAccess;
        fileops::CTouchOutcome out = fileops::RunTouch(p, context);
        done = out.touched;
        failed = out.failed + (out.cancelled ? 1 : 0);
    } else {
        return Usage();
    }
    std::printf("done %llu failed %llu notices %ld\n", static_cast<unsigned long long>(done),
                static_cast<unsigned long long>(failed), sink.notices);
    return done > 0 && failed == 0 && ui.messages == 0 ? 0 : 1;
}
