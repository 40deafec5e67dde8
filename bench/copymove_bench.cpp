// Benchmark program for the copy and move driver: one run of RunCopy, as
// a job runs it, with a user interface that answers every question with
// "Yes To All", status windows that take every update and draw nothing,
// and a sink that counts the change notices.
//
//   copymove_bench copy|move C_DIR D_DIR SOURCE TARGET
//
// C: is mapped onto the host directory C_DIR and D: onto D_DIR; SOURCE is
// the DOS path of the directory copied or moved (plain, or inside a zip
// file: "C:\FILES.ZIP\FILES") and TARGET the DOS path of the directory it
// goes into ("D:\", "D:\OUT.ZIP"). Zip targets get compression factor 5
// ("Normal") and relative paths. Prints the counts of the run; exit
// status 0 only when the run completed, did something, skipped and failed
// nothing and showed no message.
#include "BenchInterface.h"

#include "fileops/CCopyDirectory.h"
#include "platform/Drives.h"
#include "ui/OperationContext.h"

#include <cstdio>
#include <memory>
#include <string>

using namespace vorlane;
using bench::Absolute;

int main(int argc, char** argv) {
    std::string mode = argc == 6 ? argv[1] : "";
    if (mode != "copy" && mode != "move") {
        std::fprintf(stderr, "usage: copymove_bench copy|move C_DIR D_DIR SOURCE TARGET\n");
        return 2;
    }
    auto drives = std::make_shared<platform::DriveMap>();
    drives->Set('C', Absolute(argv[2]));
    drives->Set('D', Absolute(argv[3]));
    bench::YesToAllInterface ui;
    bench::CountingSink sink;
    ui::OperationContext context(ui, drives, {}, &sink);

    fileops::CCopyParameters p;
    p.operation = fileops::CopyKindOf(mode == "move", true);
    p.flags = 0; // no "only if newer", no prompt: every file goes
    p.compressionFactor = 5;
    p.zipPathMode = fileops::kZipRelativePaths;
    p.sourceDirectory = argv[4];
    p.targetPath = argv[5];
    fileops::CCopyOutcome outcome = fileops::RunCopy(p, context);
    std::printf("done %d skipped %d failed %d notices %ld\n", outcome.done, outcome.skipped,
                outcome.failed, sink.notices);
    bool ok = outcome.completed && outcome.done > 0 && outcome.skipped == 0 &&
              outcome.failed == 0 && ui.messages == 0;
    return ok ? 0 : 1;
}
