// Fuzz target of the command line: arbitrary bytes as one line (long
// lines, unbalanced quotes, NUL bytes, invalid UTF-8) split, tokenized,
// classified against a small drive and dispatched. Whatever the line, it
// gives a message or runs, never a crash. No operation runs (the host
// reports every job done without running it) and no program starts.
#include "command/CCommandLine.h"
#include "platform/Drives.h"
#include "ui/ScriptedUserInterface.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ftw.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace vorlane;

// A drive C: on a temporary directory with a few entries, removed at exit.
std::string g_root;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

void RemoveRoot() {
    if (!g_root.empty())
        ::nftw(g_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

const std::string& Root() {
    if (g_root.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/cmdline_fuzz.XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        g_root = pattern;
        std::atexit(RemoveRoot);
        ::mkdir((g_root + "/DOCS").c_str(), 0700);
        for (const char* name : {"/DOCS/A.TXT", "/readme", "/README", "/BAD.ZIP"})
            if (FILE* f = std::fopen((g_root + name).c_str(), "w")) {
                std::fputs("x", f);
                std::fclose(f);
            }
    }
    return g_root;
}

class FuzzHost : public command::CCommandHost {
  public:
    FuzzHost()
        : m_drives(
              std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec("C=" + Root()))) {}
    ui::OperationContext Context() override {
        ui::OperationContext context(m_ui, m_drives);
        context.currentDirectory = "C:\\DOCS";
        return context;
    }
    ui::JobResult RunJob(ui::Job&, ui::OperationContext&) override { return {}; }
    std::vector<std::string> GroupFiles(int) override { return {"A.TXT"}; }
    bool ChangeDirectory(const std::string&) override { return true; }
    bool ShowDirectory(const std::string&, const std::string&) override { return true; }
    void SwitchDrive(char) override {}
    void ShowHelp(int) override {}
    int Launch(const std::string&, bool, const std::vector<std::string>&,
               const std::string&) override {
        return 2;
    }

  private:
    std::shared_ptr<platform::DriveMap> m_drives;
    ui::ScriptedUserInterface m_ui;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every token costs a look at the disk per path component: lines past
    // 1,024 bytes only slow the run down (the unit tests run the long ones).
    const std::string line(reinterpret_cast<const char*>(data), std::min<size_t>(size, 1024));
    // DESCRIBE writes its description file itself: keep the fixture as it is.
    std::string word, rest;
    command::SplitCommandWord(line, &word, &rest);
    if (const command::CommandEntry* entry = command::FindCommand(word);
        entry && entry->id == command::CommandId::Describe)
        word = "dir";
    FuzzHost host;
    command::CCommandLine commandLine(host);
    commandLine.Execute(word + " " + rest);
    // Each token has a class on its own too (the parse stops at the first
    // invalid one); a few are enough to reach every branch.
    const ui::OperationContext context = host.Context();
    const std::vector<std::string> tokens = command::Tokenize(rest);
    for (size_t i = 0; i < tokens.size() && i < 16; ++i)
        (void)command::ClassifyArgument(tokens[i], {&context.Drives(), "C:\\DOCS"});
    return 0;
}
