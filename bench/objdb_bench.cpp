// Vorlane's side of the objdb benchmark: the object database doing one
// workload on a file, as one process run.
//   objdb_bench insert FILE [--flush-every N] [--durable]
//   objdb_bench lookup|walk|delete FILE [--durable]
// Without --durable commits skip their syncs to stable storage (the peers'
// non-durable runs skip theirs too). Prints a checksum of what it read.
#include "objdb/CObjectDatabase.h"
#include "objdb_workload.h"

#include <cstring>
#include <unistd.h>

using namespace objdb_bench;
using vorlane::objdb::CObjectDatabase;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: objdb_bench insert|lookup|walk|delete FILE [--flush-every N] "
                             "[--durable]\n");
        return 2;
    }
    std::string work = argv[1], path = argv[2];
    int flushEvery = 0;
    bool durable = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flush-every") == 0 && i + 1 < argc)
            flushEvery = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--durable") == 0)
            durable = true;
    }
    if (work == "insert")
        ::unlink(path.c_str());
    CObjectDatabase db;
    db.SetDurable(durable);
    if (!db.Open(path, work == "insert", 30000)) {
        std::fprintf(stderr, "%s: %s\n", db.LastErrorMessage().c_str(),
                     db.LastErrorDetail().c_str());
        return 1;
    }
    uint64_t sum = 0;
    if (work == "insert") {
        DataPool pool;
        for (int i = 0; i < kObjects; ++i) {
            if (!db.PutObject(5, Name(i), pool.Data(i), Length(i))) {
                std::fprintf(stderr, "put: %s\n", db.LastErrorMessage().c_str());
                return 1;
            }
            if (flushEvery > 0 && (i + 1) % flushEvery == 0 && !db.Flush()) {
                std::fprintf(stderr, "flush: %s\n", db.LastErrorDetail().c_str());
                return 1;
            }
        }
    } else if (work == "lookup") {
        std::vector<uint8_t> buffer(30000);
        for (int i : RandomOrder(7)) {
            size_t length = 0;
            if (!db.GetObject(5, Name(i), buffer.data(), &length, buffer.size())) {
                std::fprintf(stderr, "get: %s\n", db.LastErrorMessage().c_str());
                return 1;
            }
            sum += length + buffer[length / 2];
        }
    } else if (work == "walk") {
        std::vector<std::string> names;
        sum = uint64_t(db.ListObjectsByPrefix(5, kPrefix, &names));
        for (const std::string& name : names)
            sum += name.size();
        if (names.size() != size_t(kPrefixCount)) {
            std::fprintf(stderr, "walk found %zu names\n", names.size());
            return 1;
        }
    } else if (work == "delete") {
        int deleted = db.DeleteByPrefix(5, kPrefix);
        if (deleted != kPrefixCount) {
            std::fprintf(stderr, "deleted %d\n", deleted);
            return 1;
        }
        sum = uint64_t(deleted);
    } else {
        std::fprintf(stderr, "unknown workload %s\n", work.c_str());
        return 2;
    }
    if (!db.Close()) {
        std::fprintf(stderr, "close: %s\n", db.LastErrorDetail().c_str());
        return 1;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(sum));
    return 0;
}
