// vorlane-dbcheck: checks keyed record files (the object database
// VORLN32.DAT) and prints every problem found.
//   vorlane-dbcheck FILE...
// Exit status: 0 when every file is sound, 1 when one has problems or cannot
// be opened (also while the program holds it), 2 on wrong usage.
#include "objdb/CKeyedFile.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: vorlane-dbcheck FILE...\n";
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::string path = argv[i];
        vorlane::objdb::CKeyedFile file;
        if (file.Open(path, 'S', 0) != vorlane::objdb::kKfSuccess) {
            std::cout << path << ": " << file.LastErrorDetail() << "\n";
            status = 1;
            continue;
        }
        std::vector<std::string> problems = file.Check();
        vorlane::objdb::KeyedFileStatistics stats;
        file.Statistics(&stats);
        file.Close();
        if (problems.empty()) {
            std::cout << path << ": sound; " << stats.records << " records, " << stats.blockCount
                      << " blocks (" << stats.indexBlocks << " index, " << stats.dataBlocks
                      << " data, " << stats.freeBlocks << " free), " << stats.sequence
                      << " commits\n";
            continue;
        }
        status = 1;
        for (const std::string& problem : problems)
            std::cout << path << ": " << problem << "\n";
    }
    return status;
}
