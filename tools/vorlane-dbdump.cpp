// vorlane-dbdump: prints a keyed record file (the object database
// VORLN32.DAT) in readable form.
//   vorlane-dbdump [--blocks] [--data] [--raw] [--no-records] FILE
#include "objdb/KeyedFileDump.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    vorlane::objdb::KeyedFileDumpOptions options;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--blocks") == 0) {
            options.blocks = true;
        } else if (std::strcmp(argv[i], "--data") == 0) {
            options.data = true;
        } else if (std::strcmp(argv[i], "--raw") == 0) {
            options.raw = true;
        } else if (std::strcmp(argv[i], "--no-records") == 0) {
            options.records = false;
        } else if (argv[i][0] == '-' || path != nullptr) {
            std::cerr << "usage: vorlane-dbdump [--blocks] [--data] [--raw] [--no-records] FILE\n";
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (path == nullptr) {
        std::cerr << "usage: vorlane-dbdump [--blocks] [--data] [--raw] [--no-records] FILE\n";
        return 2;
    }
    int result = vorlane::objdb::DumpKeyedFile(path, options, std::cout);
    return result == 2 ? 2 : 0;
}
