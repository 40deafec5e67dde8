#include "search/CTextSearch.h"

#include "search/private/ByteSearch.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace vorlane::search {

namespace {

constexpr uint8_t kCr = '\r';
constexpr uint8_t kLf = '\n';
constexpr uint8_t kCtrlZ = 0x1A;

enum class LineEnding {
    kUnknown, // no line end seen yet
    kLf,      // LF ends a line; a CR before it belongs to the line end
    kCr,      // CR LF, a lone CR or a lone LF ends a line
};

std::string ErrnoText(int err) {
    char text[256];
    return strerror_r(err, text, sizeof text);
}

// Length of the text shown for a line: at most kReportWidth characters,
// where a well-formed UTF-8 sequence counts as one character and any other
// byte as one; a NUL byte ends the text.
size_t ReportLength(const uint8_t* begin, const uint8_t* end) {
    const uint8_t* p = begin;
    for (size_t shown = 0; shown < CTextSearch::kReportWidth && p != end && *p != 0; ++shown) {
        size_t length = 1;
        if (*p >= 0xC2 && *p <= 0xF4)
            length = *p < 0xE0 ? 2 : (*p < 0xF0 ? 3 : 4);
        if (length > 1) {
            if (static_cast<size_t>(end - p) < length)
                length = 1;
            for (size_t k = 1; k < length; ++k)
                if ((p[k] & 0xC0) != 0x80)
                    length = 1;
        }
        p += length;
    }
    return static_cast<size_t>(p - begin);
}

} // namespace

// Scans blocks of complete lines for matches, counts them and writes the
// report. Line numbers are counted only when a report is written, and only
// up to the lines reported.
class CTextSearch::Scanner {
  public:
    Scanner(const CCompiledPattern& pattern, const std::string& name, std::ostream* output,
            bool stopAtFirst)
        : m_pattern(pattern), m_name(name), m_output(output), m_stopAtFirst(stopAtFirst) {
        const std::string& run = pattern.RequiredRun();
        if (run.empty())
            return;
        // Probe the anchor character, and the next rarest one of the run.
        m_probeA = MakeProbe(pattern.RunAnchorOffset());
        size_t second = run.size();
        for (size_t k = 0; k < run.size(); ++k) {
            if (k == pattern.RunAnchorOffset())
                continue;
            if (second == run.size() || ByteFrequency(static_cast<uint8_t>(run[k])) <
                                            ByteFrequency(static_cast<uint8_t>(run[second])))
                second = k;
        }
        if (second != run.size()) {
            m_probeB = MakeProbe(second);
            m_haveProbeB = true;
        }
    }

    LineEnding ending = LineEnding::kUnknown;

    int64_t Found() const { return m_found; }
    // The scan stopped because a line matched and only the first was wanted.
    bool StoppedAtFirst() const { return m_stopAtFirst && m_found > 0; }

    // A new block begins at begin, which is the start of a line.
    void StartBlock(const uint8_t* begin) { m_countedTo = begin; }

    // Scans [begin, end): whole lines, each with its line end. A pattern
    // whose anchor is a literal is found through the literal run around it
    // (the anchor searched as it is, or in either case when case is ignored
    // and it is a letter); any other pattern line by line. Returns false when
    // writing the report failed.
    bool ScanLines(const uint8_t* begin, const uint8_t* end) {
        return m_pattern.RequiredRun().empty() ? ScanEveryLine(begin, end) : ScanForRun(begin, end);
    }

    // Scans the file's last line, [begin, end), which has no line end: all
    // of it is text. Returns false when writing the report failed.
    bool ScanLastLine(const uint8_t* begin, const uint8_t* end) {
        const bool hasRun = m_pattern.RequiredRun().empty() || FindRun(begin, end) != nullptr;
        if (!hasRun)
            return true;
        if (m_pattern.RunIsWholePattern() || m_pattern.MatchLine(begin, end))
            return Matched(begin, end);
        return true;
    }

    // Counts the lines of the block up to end, which ends a line.
    void FinishBlock(const uint8_t* end) {
        if (m_output != nullptr)
            m_linesBefore += CountLines(m_countedTo, end);
        m_countedTo = end;
    }

    bool WriteSummary() {
        if (m_output == nullptr || m_found == 0)
            return true;
        char text[64];
        int n = std::snprintf(text, sizeof text, "\n%lld lines found.\n",
                              static_cast<long long>(m_found));
        m_output->write(text, n);
        return m_output->good();
    }

  private:
    detail::ByteProbe MakeProbe(size_t offset) const {
        uint8_t ch = static_cast<uint8_t>(m_pattern.RequiredRun()[offset]);
        detail::ByteProbe probe{offset, ch, 0};
        if (m_pattern.IgnoreCase() && ch >= 'A' && ch <= 'Z') {
            probe.value = static_cast<uint8_t>(ch | 0x20);
            probe.orMask = 0x20;
        }
        return probe;
    }

    bool RunAt(const uint8_t* at) const {
        const std::string& run = m_pattern.RequiredRun();
        if (!m_pattern.IgnoreCase())
            return std::memcmp(at, run.data(), run.size()) == 0;
        const auto& fold = FoldTable(true);
        for (size_t k = 0; k < run.size(); ++k)
            if (fold[at[k]] != static_cast<uint8_t>(run[k]))
                return false;
        return true;
    }

    // The first line end at or after p (end when none).
    const uint8_t* FindLineEnd(const uint8_t* p, const uint8_t* end) const {
        if (ending == LineEnding::kCr)
            return detail::FindEitherByte(p, end, kCr, kLf);
        const void* hit = std::memchr(p, kLf, static_cast<size_t>(end - p));
        return hit ? static_cast<const uint8_t*>(hit) : end;
    }

    // The start of the line after the line end at lineEnd.
    const uint8_t* NextLine(const uint8_t* lineEnd, const uint8_t* end) const {
        if (lineEnd == end)
            return end;
        if (ending == LineEnding::kCr && *lineEnd == kCr && lineEnd + 1 != end && lineEnd[1] == kLf)
            return lineEnd + 2;
        return lineEnd + 1;
    }

    // The start of the line holding p; floor is known to start a line.
    const uint8_t* LineStart(const uint8_t* floor, const uint8_t* p) const {
        if (ending == LineEnding::kCr) {
            while (p != floor && p[-1] != kCr && p[-1] != kLf)
                --p;
            return p;
        }
        const void* hit = memrchr(floor, kLf, static_cast<size_t>(p - floor));
        return hit ? static_cast<const uint8_t*>(hit) + 1 : floor;
    }

    // The end of the line's characters, given its line end.
    const uint8_t* TextEnd(const uint8_t* lineStart, const uint8_t* lineEnd) const {
        if (ending != LineEnding::kCr && lineEnd != lineStart && lineEnd[-1] == kCr)
            return lineEnd - 1;
        return lineEnd;
    }

    // Line ends in [begin, end); begin starts a line.
    int64_t CountLines(const uint8_t* begin, const uint8_t* end) const {
        return detail::CountLineEnds(begin, end, ending == LineEnding::kCr);
    }

    // Without a literal to look for, the lines that hold a character that
    // can begin a match are tried; a pattern beginning with a line start or
    // end tries every line.
    bool ScanEveryLine(const uint8_t* begin, const uint8_t* end) {
        const uint8_t* starters = m_pattern.StartTable();
        for (const uint8_t* from = begin; from < end;) {
            const uint8_t* line = from;
            if (starters != nullptr) {
                const uint8_t* hit = detail::FindInTable(from, end, starters);
                if (hit == end)
                    break;
                line = LineStart(from, hit);
            }
            const uint8_t* lineEnd = FindLineEnd(line, end);
            const uint8_t* textEnd = TextEnd(line, lineEnd);
            if (m_pattern.MatchLine(line, textEnd) && !Matched(line, textEnd))
                return false;
            from = NextLine(lineEnd, end);
        }
        return true;
    }

    // The first occurrence of the literal run in [from, end), null if none.
    const uint8_t* FindRun(const uint8_t* from, const uint8_t* end) const {
        const size_t length = m_pattern.RequiredRun().size();
        while (static_cast<size_t>(end - from) >= length) {
            const uint8_t* hit = detail::FindProbes(from, end - length, m_probeA,
                                                    m_haveProbeB ? &m_probeB : nullptr);
            if (hit == nullptr || RunAt(hit))
                return hit;
            from = hit + 1;
        }
        return nullptr;
    }

    // Finds the occurrences of the literal run every match contains; each
    // line holding one is decided once, then the scan goes on after it.
    bool ScanForRun(const uint8_t* begin, const uint8_t* end) {
        const size_t length = m_pattern.RequiredRun().size();
        const bool whole = m_pattern.RunIsWholePattern();
        const uint8_t* from = begin;
        const uint8_t* floor = begin; // a known line start at or before from
        for (;;) {
            const uint8_t* hit = FindRun(from, end);
            if (hit == nullptr)
                break;
            const uint8_t* lineEnd;
            if (whole && m_output == nullptr) {
                // The run holds no line end: the line holding it matches.
                lineEnd = FindLineEnd(hit + length, end);
                ++m_found;
                if (m_stopAtFirst)
                    return false;
            } else {
                const uint8_t* line = LineStart(floor, hit);
                lineEnd = FindLineEnd(hit, end);
                const uint8_t* textEnd = TextEnd(line, lineEnd);
                if ((whole || m_pattern.MatchLine(line, textEnd)) && !Matched(line, textEnd))
                    return false;
            }
            from = floor = NextLine(lineEnd, end);
        }
        return true;
    }

    // A matching line: counts it and reports it. False when the report
    // could not be written.
    bool Matched(const uint8_t* line, const uint8_t* textEnd) {
        ++m_found;
        if (m_output == nullptr)
            return !m_stopAtFirst;
        m_linesBefore += CountLines(m_countedTo, line);
        m_countedTo = line;
        if (m_found == 1) {
            *m_output << "File: '" << m_name << "' \n\n";
        }
        char number[32];
        int n = std::snprintf(number, sizeof number, "%-6lld ",
                              static_cast<long long>(m_linesBefore + 1));
        m_output->write(number, n);
        m_output->write(reinterpret_cast<const char*>(line),
                        static_cast<std::streamsize>(ReportLength(line, textEnd)));
        m_output->put('\n');
        return m_output->good() && !m_stopAtFirst;
    }

    const CCompiledPattern& m_pattern;
    const std::string& m_name;
    std::ostream* m_output;
    bool m_stopAtFirst;
    detail::ByteProbe m_probeA;
    detail::ByteProbe m_probeB;
    bool m_haveProbeB = false;
    int64_t m_found = 0;
    int64_t m_linesBefore = 0;            // lines before m_countedTo
    const uint8_t* m_countedTo = nullptr; // lines are counted up to here
};

CTextSearch::CTextSearch(size_t blockSize)
    : m_buffer(new uint8_t[blockSize]), m_bufferSize(blockSize) {}

bool CTextSearch::CheckPattern(const std::string& pattern, PatternMode mode, std::string* message) {
    int rc = m_pattern.Compile(pattern, mode, false);
    if (rc == kPatternOk)
        return true;
    if (message != nullptr)
        *message = PatternErrorMessage(rc);
    return false;
}

bool CTextSearch::Search(const std::string& hostPath, const std::string& pattern, PatternMode mode,
                         bool ignoreCase, std::ostream* output) {
    m_linesFound = 0;
    m_errorText.clear();
    int rc = m_pattern.Compile(pattern, mode, ignoreCase);
    if (rc != kPatternOk) {
        m_errorText = PatternErrorMessage(rc);
        return false;
    }
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_errorText = "Cannot open '" + hostPath + "': " + ErrnoText(errno);
        return false;
    }
    m_fileName = hostPath;
    bool found = ReadAndScan(fd, output);
    ::close(fd);
    return found;
}

bool CTextSearch::Compile(const std::string& pattern, PatternMode mode, bool ignoreCase,
                          std::string* message) {
    int rc = m_pattern.Compile(pattern, mode, ignoreCase);
    if (rc == kPatternOk)
        return true;
    if (message != nullptr)
        *message = PatternErrorMessage(rc);
    return false;
}

bool CTextSearch::SearchCompiled(int fd, const std::string& name) {
    m_linesFound = 0;
    m_errorText.clear();
    m_fileName = name;
    return ReadAndScan(fd, nullptr);
}

bool CTextSearch::SearchDescriptor(int fd, const std::string& name, const std::string& pattern,
                                   PatternMode mode, bool ignoreCase, std::ostream* output) {
    m_linesFound = 0;
    m_errorText.clear();
    int rc = m_pattern.Compile(pattern, mode, ignoreCase);
    if (rc != kPatternOk) {
        m_errorText = PatternErrorMessage(rc);
        return false;
    }
    m_fileName = name;
    return ReadAndScan(fd, output);
}

// Reads the file block by block. Each block is the line carried over from
// the previous one followed by new bytes; the complete lines are scanned and
// the unfinished last line is carried to the next block. In the CR ending a
// CR as the last byte is carried too, since an LF may follow it in the next
// block.
bool CTextSearch::ReadAndScan(int fd, std::ostream* output) {
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    Scanner scanner(m_pattern, m_fileName, output, m_limits.firstMatch);
    size_t carried = 0;
    bool reportFailed = false;
    bool firstBlock = true;
    m_binary = m_cancelled = false;
    for (;;) {
        if (m_limits.cancel != nullptr && m_limits.cancel->load(std::memory_order_relaxed)) {
            m_cancelled = true;
            break;
        }
        const bool mayGrow = m_limits.maxBuffer == 0 || m_bufferSize * 2 <= m_limits.maxBuffer;
        if (carried > m_bufferSize / 2 && !mayGrow) {
            // A line longer than the bound: search what is held as a piece
            // of it and keep its tail, so memory stays bounded.
            if (!scanner.ScanLastLine(m_buffer.get(), m_buffer.get() + carried)) {
                reportFailed = !scanner.StoppedAtFirst();
                break;
            }
            const size_t keep = std::min(kPieceOverlap, carried / 2);
            std::memmove(m_buffer.get(), m_buffer.get() + carried - keep, keep);
            carried = keep;
        } else if (carried > m_bufferSize / 2) {
            // A long line: grow so that reads stay large and the line fits.
            try {
                std::unique_ptr<uint8_t[]> bigger(new uint8_t[m_bufferSize * 2]);
                std::memcpy(bigger.get(), m_buffer.get(), carried);
                m_buffer = std::move(bigger);
                m_bufferSize *= 2;
            } catch (const std::bad_alloc&) {
                m_errorText = PatternErrorMessage(kErrNoMemory);
                break;
            }
        }
        uint8_t* buffer = m_buffer.get();
        ssize_t n;
        do {
            n = ::read(fd, buffer + carried, m_bufferSize - carried);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            m_errorText = "Cannot read '" + m_fileName + "': " + ErrnoText(errno);
            break;
        }
        const bool atEnd = n == 0;
        size_t filled = carried + static_cast<size_t>(n);
        if (firstBlock && m_limits.skipBinary && std::memchr(buffer, 0, filled) != nullptr) {
            m_binary = true;
            break;
        }
        firstBlock = false;
        if (scanner.ending == LineEnding::kUnknown) {
            const uint8_t* first =
                detail::FindEitherByte(buffer + carried, buffer + filled, kCr, kLf);
            if (first != buffer + filled)
                scanner.ending = *first == kCr ? LineEnding::kCr : LineEnding::kLf;
        }
        if (atEnd && filled > 0 && buffer[filled - 1] == kCtrlZ)
            --filled;

        // Complete lines end after the last line end.
        size_t limit = filled;
        if (!atEnd && scanner.ending == LineEnding::kCr && limit > 0 && buffer[limit - 1] == kCr)
            --limit;
        const void* lastLf = memrchr(buffer, kLf, limit);
        size_t complete =
            lastLf ? static_cast<size_t>(static_cast<const uint8_t*>(lastLf) - buffer) + 1 : 0;
        if (scanner.ending == LineEnding::kCr) {
            const void* lastCr = memrchr(buffer + complete, kCr, limit - complete);
            if (lastCr)
                complete = static_cast<size_t>(static_cast<const uint8_t*>(lastCr) - buffer) + 1;
        }

        scanner.StartBlock(buffer);
        if (complete > 0) {
            if (!scanner.ScanLines(buffer, buffer + complete)) {
                reportFailed = !scanner.StoppedAtFirst();
                break;
            }
            scanner.FinishBlock(buffer + complete);
        }
        if (atEnd) {
            // The last line has no line end: searched unless lines end in CR.
            if (filled > complete && scanner.ending != LineEnding::kCr &&
                !scanner.ScanLastLine(buffer + complete, buffer + filled))
                reportFailed = !scanner.StoppedAtFirst();
            break;
        }
        carried = filled - complete;
        std::memmove(buffer, buffer + complete, carried);
    }
    m_linesFound = scanner.Found();
    if (reportFailed || !scanner.WriteSummary())
        m_errorText = "Cannot write the search report.";
    return m_linesFound > 0;
}

} // namespace vorlane::search
