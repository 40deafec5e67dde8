// The find engine as a program of its own, for the benchmark:
//   find_bench ROOT [--name WILDCARDS] [--containing TEXT] [-i] [--walkers N]
// prints the host path of every file found below the host directory ROOT,
// one a line, as `vorlane --find` does for a DOS path.
#include "search/CFileFinder.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        std::cerr << "usage: find_bench ROOT [--name W] [--containing T] [-i] [--walkers N]\n";
        return 2;
    }
    vorlane::search::FindParameters p;
    p.hostRoot = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-i")
            p.ignoreCase = true;
        else if (arg == "--name" && i + 1 < argc)
            p.fileTypes = argv[++i];
        else if (arg == "--containing" && i + 1 < argc)
            p.containing = argv[++i];
        else if (arg == "--walkers" && i + 1 < argc)
            p.walkThreads = static_cast<unsigned>(std::atoi(argv[++i]));
    }
    vorlane::search::CFileFinder finder;
    std::string error;
    const std::string prefix = p.hostRoot + "/";
    if (!finder.Prepare(p, &error) ||
        !finder.Run([&](const std::string& relative) { std::cout << prefix << relative << '\n'; },
                    nullptr, &error)) {
        std::cerr << "find_bench: " << error << '\n';
        return 2;
    }
    return finder.Summary().found != 0 ? 0 : 1;
}
