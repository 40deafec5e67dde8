// Fuzz target of ZipToExe's header update: arbitrary bytes taken as a
// self-extractor whose archive offsets must be moved.
//
// Whatever the bytes, the update never changes the file's size; when it
// fails, not one byte has changed; when it succeeds, a second update finds
// nothing to do and leaves the file as the first one left it.
#include "fileops/ZipToExe.h"
#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::string Contents(vorlane::platform::File& file) {
    uint64_t size = 0;
    if (!file.Size(&size))
        std::abort();
    std::string bytes(size, '\0');
    size_t got = 0;
    if (size > 0 && (!file.PRead(bytes.data(), bytes.size(), 0, &got) || got != size))
        std::abort();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("ziptoexe_fuzzer", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    vorlane::platform::File file = vorlane::platform::File::Adopt(fd, "fuzz.exe");
    if (size > 0 && !file.PWrite(data, size, 0))
        return 0;
    const std::string before(reinterpret_cast<const char*>(data), size);
    std::string error;
    bool changed = false;
    const bool ok =
        vorlane::fileops::UpdateZipHeaders(file, "C:\\FUZZ.EXE", std::nullopt, &error, &changed);
    const std::string after = Contents(file);
    if (after.size() != size || (!ok && after != before) || (!changed && after != before) ||
        (!ok && error.empty()))
        std::abort();
    if (ok && changed) {
        if (!vorlane::fileops::UpdateZipHeaders(file, "C:\\FUZZ.EXE", std::nullopt, &error,
                                                &changed) ||
            changed || Contents(file) != after)
            std::abort();
    }
    return 0;
}
