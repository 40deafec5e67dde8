// Benchmark program for recompressing every zip file on a drive: one run
// of the recompress job, as the GUI starts it, with status windows that
// take every update and draw nothing.
//
//   recompress_bench C_DIR LEVEL
//
// C: is mapped onto the host directory C_DIR; every zip file on it is
// recompressed at LEVEL (0 to 9). Prints what the run found and did; exit
// status 0 only when every archive found was recompressed and no error
// was listed.
#include "CountingStatus.h"

#include "fileops/ZipRecompress.h"
#include "platform/Drives.h"
#include "ui/OperationContext.h"
#include "ui/ScriptedUserInterface.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace vorlane;

// Status windows take every update and draw nothing; a message fails the
// run.
class CountingInterface : public ui::ScriptedUserInterface {
  public:
    ui::Answer Message(const std::string& text, const std::string& caption, ui::Buttons,
                       ui::Icon) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        ++messages;
        return ui::Answer::Ok;
    }
    std::unique_ptr<ui::StatusWindow> MakeStatusWindow(ui::StatusKind,
                                                       const std::string&) override {
        return std::make_unique<bench::CountingStatus>();
    }
    int messages = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: recompress_bench C_DIR LEVEL\n");
        return 2;
    }
    char* real = ::realpath(argv[1], nullptr);
    if (real == nullptr) {
        std::fprintf(stderr, "recompress_bench: cannot reach %s\n", argv[1]);
        return 2;
    }
    auto drives = std::make_shared<platform::DriveMap>();
    drives->Set('C', real);
    std::free(real);
    CountingInterface ui;
    ui::OperationContext context(ui, drives);
    fileops::CZipRecompressJob job({'C', std::atoi(argv[2])});
    ui::RunJobNow(job, context);
    const fileops::CRecompressOutcome& outcome = job.Outcome();
    std::printf("found %zu recompressed %d errors %zu\n", outcome.found.size(),
                outcome.recompressed, outcome.errors.size());
    for (const std::string& line : outcome.errors)
        std::fprintf(stderr, "%s\n", line.c_str());
    const bool ok = !outcome.found.empty() &&
                    outcome.recompressed == static_cast<int>(outcome.found.size()) &&
                    outcome.errors.empty() && ui.messages == 0;
    return ok ? 0 : 1;
}
