#include "console/ConsoleMain.h"

#include "app/VorlaneApp.h"
#include "console/ConsoleSession.h"
#include "objdb/CAppObjectDatabase.h"
#include "search/GrepCommand.h"

#include <cstring>
#include <iostream>
#include <unistd.h>

namespace vorlane::console {

namespace {

// What the modules built so far plug into the application object. The
// habitabs are wired in here when they arrive.
app::AppServices MakeAppServices() {
    app::AppServices services;
    services.makeDatabase = objdb::MakeAppDatabase;
    return services;
}

int RunVersion(int, char**) {
    std::cout << app::VorlaneApp::kName << ' ' << app::VorlaneApp::kVersion << '\n';
    return 0;
}

int RunUsage(int, char**);

// Reached only when the executable was built without the windowed front end.
int RunNoGui(int, char**) {
    std::cerr << "vorlane: this build has no windowed front end.\n";
    return 2;
}

int RunGrep(int argc, char** argv) {
    return search::GrepMain(argc - 1, argv + 1, std::cout, std::cerr);
}

struct Mode {
    const char* option;
    int (*run)(int argc, char** argv); // argv[0] is the option itself
    const char* help;
};

const Mode kModes[] = {
    {"--version", RunVersion, "print the version"},
    {"--console", RunConsole, "start the console front end (a command prompt)"},
    {"--gui", RunNoGui, "start the windowed front end"},
    {"--grep", RunGrep, "search files for lines matching a pattern (--grep --help)"},
    {"--help", RunUsage, "show these options"},
};

int RunUsage(int, char**) {
    std::cout << "Usage: vorlane [OPTION]\n"
                 "Without an option the windowed front end starts when a display is\n"
                 "there to show it on, else the console front end.\n";
    for (const Mode& m : kModes)
        std::cout << "  " << m.option << std::string(12 - std::strlen(m.option), ' ') << m.help
                  << '\n';
    return 0;
}

} // namespace

int RunConsole(int, char**) {
    ConsoleSession session(std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
                           MakeAppServices());
    return session.Run();
}

int Main(int argc, char** argv) {
    if (argc < 2)
        return RunConsole(argc, argv);
    for (const Mode& m : kModes)
        if (std::strcmp(argv[1], m.option) == 0)
            return m.run(argc - 1, argv + 1);
    std::cerr << "vorlane: unknown option '" << argv[1] << "'. Try 'vorlane --help'.\n";
    return 2;
}

} // namespace vorlane::console
