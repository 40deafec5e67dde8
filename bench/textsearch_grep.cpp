// The command-line text search as a program of its own, for the benchmark:
//   textsearch_grep [options] PATTERN FILE...   (the arguments of vorlane --grep)
#include "search/GrepCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return vorlane::search::GrepMain(argc - 1, argv + 1, std::cout, std::cerr);
}
