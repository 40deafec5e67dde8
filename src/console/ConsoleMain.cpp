#include "console/ConsoleMain.h"

#include "app/VorlaneApp.h"
#include "console/ConsoleSession.h"
#include "console/FindCommand.h"
#include "objdb/CAppObjectDatabase.h"
#include "platform/Profile.h"
#include "platform/ProgramDirs.h"
#include "search/CFileSetStore.h"
#include "search/GrepCommand.h"

#include <cstring>
#include <iostream>
#include <unistd.h>

namespace vorlane::console {

namespace {

// What the modules plug into the application object. The habitabs belong
// to the windows: a console run leaves their keys in the file as they are.
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
int RunOneLine(int argc, char** argv);

// Set by the options that may come before the mode.
ConsoleOptions g_options;

// Reached only when the executable was built without the windowed front end.
int RunNoGui(int, char**) {
    std::cerr << "vorlane: this build has no windowed front end.\n";
    return 2;
}

int RunGrep(int argc, char** argv) {
    return search::GrepMain(argc - 1, argv + 1, std::cout, std::cerr);
}

// The drives as the settings file maps them (read, never written), and the
// file sets of the object database when --name may name one.
int RunFind(int argc, char** argv) {
    platform::ProfileFile ini(platform::JoinHostPath(platform::WindowsDirectory(), "VORLANE.INI"));
    ini.Load();
    const platform::DriveMap drives = platform::DriveMap::Build(&ini, platform::SystemMountTable());
    objdb::CObjectDatabase database;
    std::unique_ptr<search::CFileSetStore> sets;
    for (int i = 1; i + 1 < argc && !sets; ++i) {
        if (std::strcmp(argv[i], "--name") != 0 || std::strchr(argv[i + 1], '[') == nullptr)
            continue;
        const std::string path =
            platform::JoinHostPath(platform::WindowsDirectory(), "VORLN32.DAT");
        if (database.Open(path, false, app::VorlaneApp::kDatabaseMaxRecordSize))
            sets = std::make_unique<search::CFileSetStore>(database);
        else
            std::cerr << "vorlane --find: the file sets cannot be read: "
                      << database.LastErrorDetail() << '\n';
    }
    return FindMain(argc - 1, argv + 1, std::cout, std::cerr, drives, sets.get());
}

struct Mode {
    const char* option;
    int (*run)(int argc, char** argv); // argv[0] is the option itself
    const char* help;
};

const Mode kModes[] = {
    {"--version", RunVersion, "print the version"},
    {"--console", RunConsole, "start the console front end (a command prompt)"},
    {"-c", RunOneLine, "run one command line (-c \"copy *.txt D:\\\") and exit: 0 ok, 1 failed"},
    {"--gui", RunNoGui, "start the windowed front end"},
    {"--grep", RunGrep, "search files for lines matching a pattern (--grep --help)"},
    {"--find", RunFind, "list the files below a DOS path that match (--find --help)"},
    {"--help", RunUsage, "show these options"},
};

int RunUsage(int, char**) {
    std::cout << "Usage: vorlane [--yes] [--keep-going] [OPTION]\n"
                 "Without an option the windowed front end starts when a display is\n"
                 "there to show it on, else the console front end; lines piped into it\n"
                 "run as a batch that stops at the first line that fails.\n";
    for (const Mode& m : kModes)
        std::cout << "  " << m.option << std::string(12 - std::strlen(m.option), ' ') << m.help
                  << '\n';
    std::cout << "  --yes       answer every question Yes To All (dialogs take their defaults)\n"
                 "  --keep-going  a batch goes on after a line that failed\n"
                 "--find DOSPATH [--name WILDCARDS] [--containing TEXT] [-i] [--regex] [-0]\n"
                 "  [--size [OP]N[K|M|G]] [--date [OP]YYYY-MM-DD] [--attrib +LETTERS-LETTERS]:\n"
                 "  OP is = != > >= < <=; sizes in KB (\">1M\"), attributes A H R S (\"+r-h\").\n";
    return 0;
}

int RunOneLine(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "vorlane: -c takes one command line (quote it).\n";
        return 2;
    }
    ConsoleSession session(std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
                           MakeAppServices(), g_options);
    return session.RunOneLine(argv[1]);
}

} // namespace

int RunConsole(int, char**) {
    ConsoleOptions options = g_options;
    options.batch = ::isatty(STDIN_FILENO) != 1;
    ConsoleSession session(std::cin, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1,
                           MakeAppServices(), options);
    return session.Run();
}

int Main(int argc, char** argv) {
    // The options that change how the console answers come first.
    while (argc >= 2) {
        if (std::strcmp(argv[1], "--yes") == 0)
            g_options.yesToAll = true;
        else if (std::strcmp(argv[1], "--keep-going") == 0)
            g_options.keepGoing = true;
        else
            break;
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    if (argc < 2)
        return RunConsole(argc, argv);
    for (const Mode& m : kModes)
        if (std::strcmp(argv[1], m.option) == 0)
            return m.run(argc - 1, argv + 1);
    std::cerr << "vorlane: unknown option '" << argv[1] << "'. Try 'vorlane --help'.\n";
    return 2;
}

} // namespace vorlane::console
