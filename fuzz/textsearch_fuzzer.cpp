// Fuzz target of the text search engine: the pattern compiler, the line
// matcher and the block reader over arbitrary bytes.
//
// Input: byte 0 holds the options (bit 0 ignore case, bit 1 plain text,
// bits 2-4 the block size), byte 1 the pattern length (modulo 80), then the
// pattern, then the text searched. The same text is searched with a report,
// without one and with a second block size; the counts must agree.
#include "search/CTextSearch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using vorlane::search::CTextSearch;
using vorlane::search::PatternMode;

// The text in an anonymous in-memory file, rewound.
int TextFile(const uint8_t* data, size_t size) {
    int fd = memfd_create("textsearch-fuzz", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    for (size_t done = 0; done < size;) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += static_cast<size_t>(n);
    }
    return fd;
}

// One search context per block size, reused: contexts are meant to be
// reused, and fresh 256 KiB buffers for every input would slow the run.
CTextSearch& Context(size_t blockSize) {
    static std::map<size_t, std::unique_ptr<CTextSearch>> contexts;
    std::unique_ptr<CTextSearch>& context = contexts[blockSize];
    if (!context)
        context = std::make_unique<CTextSearch>(blockSize);
    return *context;
}

int64_t Count(int fd, size_t blockSize, const std::string& pattern, PatternMode mode,
              bool ignoreCase, std::ostream* report) {
    if (lseek(fd, 0, SEEK_SET) != 0)
        std::abort();
    CTextSearch& search = Context(blockSize);
    bool found = search.SearchDescriptor(fd, "fuzz", pattern, mode, ignoreCase, report);
    if (found != (search.LinesFound() > 0))
        std::abort();
    return search.LinesFound();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static const size_t kBlocks[] = {1, 2, 3, 7, 16, 64, 4096, CTextSearch::kBlockSize};
    const bool ignoreCase = data[0] & 1;
    const PatternMode mode =
        data[0] & 2 ? PatternMode::kPlainText : PatternMode::kRegularExpression;
    const size_t block = kBlocks[(data[0] >> 2) & 7];
    const size_t patternLength = std::min<size_t>(data[1] % 80, size - 2);
    const std::string pattern(reinterpret_cast<const char*>(data + 2), patternLength);
    const uint8_t* text = data + 2 + patternLength;
    const size_t textSize = size - 2 - patternLength;

    std::string message;
    if (!Context(1).CheckPattern(pattern, mode, &message)) {
        if (message.empty())
            std::abort();
        return 0;
    }
    int fd = TextFile(text, textSize);
    std::ostringstream report;
    const int64_t reported = Count(fd, block, pattern, mode, ignoreCase, &report);
    const int64_t counted = Count(fd, CTextSearch::kBlockSize, pattern, mode, ignoreCase, nullptr);
    close(fd);
    if (reported != counted)
        std::abort();
    // The report holds a header, one line per match and the summary.
    if (reported > 0 && report.str().rfind("File: 'fuzz' \n\n", 0) != 0)
        std::abort();
    if (reported == 0 && !report.str().empty())
        std::abort();
    return 0;
}
