// Benchmark program for recompressing every zip file on a drive: one run
// of the recompress job, as the GUI starts it, with status windows that
// take every update and draw nothing (bench/BenchInterface.h).
//
//   recompress_bench C_DIR LEVEL
//
// C: is mapped onto the host directory C_DIR; every zip file on it is
// recompressed at LEVEL (0 to 9). Prints what the run found and did; exit
// status 0 only when every archive found was recompressed and no error
// was listed.
#include "BenchInterface.h"

#include "fileops/ZipRecompress.h"
#include "platform/Drives.h"
#include "ui/OperationContext.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace vorlane;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: recompress_bench C_DIR LEVEL\n");
        return 2;
    }
    auto drives = std::make_shared<platform::DriveMap>();
    drives->Set('C', bench::Absolute(argv[1]));
    bench::YesToAllInterface ui;
    bench::CountingSink sink;
    ui::OperationContext context(ui, drives, {}, &sink);
    fileops::CZipRecompressJob job({'C', std::atoi(argv[2])});
    ui::RunJobNow(job, context);
    const fileops::CRecompressOutcome& outcome = job.Outcome();
    std::printf("found %zu recompressed %d errors %zu notices %ld\n", outcome.found.size(),
                outcome.recompressed, outcome.errors.size(), sink.notices);
    for (const std::string& line : outcome.errors)
        std::fprintf(stderr, "%s\n", line.c_str());
    const bool ok = !outcome.found.empty() &&
                    outcome.recompressed == static_cast<int>(outcome.found.size()) &&
                    outcome.errors.empty() && ui.messages == 0;
    return ok ? 0 : 1;
}
