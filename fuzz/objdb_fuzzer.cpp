// Fuzz target for the keyed record file: the input is the whole file. It is
// opened read-only and walked both ways, checked, then opened for writing
// (which finishes a pending journal or repairs a torn header), changed,
// committed and checked again. Nothing may crash or hang, and changes to a
// file that opened must never add a problem the checker finds.
#include "objdb/CKeyedFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using vorlane::objdb::CKeyedFile;
using vorlane::objdb::kKfSuccess;

namespace {

const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/vorlane-objdb-fuzz-" +
                        std::to_string(::getpid()) + ".dat";
        std::atexit([] { ::unlink(ScratchPath().c_str()); });
        return p;
    }();
    return path;
}

// Rewrites the scratch file in place; truncating it to nothing first would
// make some file systems flush it to disk at every close.
bool WriteInput(const uint8_t* data, size_t size) {
    int fd = ::open(ScratchPath().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, off_t(size)) == 0;
    for (size_t done = 0; ok && done < size;) {
        ssize_t n = ::pwrite(fd, data + done, size - done, off_t(done));
        ok = n > 0;
        done += ok ? size_t(n) : 0;
    }
    ::close(fd);
    return ok;
}

// Walks an index both ways; the walks are bounded by the keys they pass.
void Walk(CKeyedFile& file, int index) {
    char buffer[512];
    int steps = 0;
    for (int32_t s = file.First(index, buffer, sizeof buffer); s == kKfSuccess && steps < 5000;
         s = file.Next(index, buffer, sizeof buffer))
        ++steps;
    steps = 0;
    for (int32_t s = file.Last(index, buffer, sizeof buffer); s == kKfSuccess && steps < 5000;
         s = file.Previous(index, buffer, sizeof buffer))
        ++steps;
    file.Find(index, "0005m", 0, buffer, sizeof buffer);
    std::string whole;
    file.ReadCurrent(&whole);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteInput(data, size))
        return 0;
    {
        CKeyedFile reader;
        if (reader.Open(ScratchPath(), 'S', 0) == kKfSuccess) {
            Walk(reader, 1);
            Walk(reader, 20);
            reader.Check();
            reader.Close();
        }
    }
    CKeyedFile file;
    file.SetDurable(false);
    if (file.Open(ScratchPath(), 'E', 2) != kKfSuccess)
        return 0;
    file.SetFlushMode(0);
    size_t before = file.Check().size();
    Walk(file, 1);
    std::string payload(size % 3000, 'p');
    file.Add(1, "0005m", 0, payload.data(), payload.size());
    file.Add(1, "0005" + std::string(200, 'z'), 0, "x", 1);
    file.Update(1, "0005m", 0, "short", 5);
    if (file.First(1, nullptr, 0) == kKfSuccess) {
        std::string first = file.CurrentKey();
        file.Delete(1, first, 0);
    }
    file.Flush();
    size_t after = file.Check().size();
    if (!file.WritesRefused() && after > before) {
        std::fprintf(stderr, "changes to a file that opened added %zu problems\n", after - before);
        std::abort();
    }
    file.Close();
    return 0;
}
