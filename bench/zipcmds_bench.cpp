// The zip archive commands driven from the command line, one measurement
// per sub-command, so bench/zipcmds.py can time each against the shell
// tools as whole processes.
//
//   zipcmds_bench ziptoexe <archive.zip> <stub-directory>
//       ZipToExe of the archive (the program beside it, ".EXE"), with the
//       loader found in stub-directory; the drive C: is the archive's folder.
#include "fileops/ZipToExe.h"
#include "platform/Drives.h"
#include "ui/OperationContext.h"
#include "ui/UserInterface.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace vorlane;

int main(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], "ziptoexe") != 0) {
        std::fprintf(stderr, "usage: zipcmds_bench ziptoexe <archive.zip> <stub-directory>\n");
        return 2;
    }
    const std::string archive = argv[2];
    const size_t slash = archive.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : archive.substr(0, slash);
    const std::string name = archive.substr(slash == std::string::npos ? 0 : slash + 1);
    auto drives =
        std::make_shared<const platform::DriveMap>(platform::DriveMap::FromSpec("C=" + folder));
    ui::OperationContext context(ui::SilentInterface(), drives);
    fileops::ZipToExeParameters p;
    p.zipPath = "C:\\" + name;
    p.companyName = "Benchmark";
    p.stubDirectory = argv[3];
    return fileops::BuildZipToExe(context, p) ? 0 : 1;
}
