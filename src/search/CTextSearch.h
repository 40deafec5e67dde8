// The text search engine: finds the lines of a file that contain a match
// for a pattern, counts them and can write a report of them.
//
// A search context owns its read buffer and the compiled pattern of the
// search in progress; one context runs one search at a time and may be
// reused for any number of files. Callers: the command-line grep mode, the
// search dialogs, the tests.
//
// Lines. A file's line ending is decided by the first line-end byte in it:
//   - a carriage return (alone or followed by a line feed): lines end with
//     CR LF, a lone CR or a lone LF. A last line without a line end is not
//     searched (a DOS text line ends with its CR LF).
//   - a line feed: lines end with LF, and a CR just before the LF belongs to
//     the line end. A last line without a line end is searched, as editors
//     show it.
//   - none at all: the file is one line and is searched.
// Line numbers count lines this way, as an editor shows them. A Ctrl-Z
// (0x1A) as the file's last byte ends the text and is not searched. Lines of
// any length are searched: the buffer grows to hold a line longer than a
// block, and never loses what follows it.
//
// Report (when an output stream is given): before the first matching line
// "File: '<name>' \n\n", for each matching line its number left-aligned in
// six columns, a blank and its first 72 characters (a NUL byte ends the
// text), and at the end "\n<count> lines found.\n" when lines were found.
#pragma once

#include "search/CCompiledPattern.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace vorlane::search {

// How a search of many files reads each one (the Find engine): the
// defaults are those of a report of one file.
struct SearchLimits {
    // Polled between blocks: true stops the file (CTextSearch::Cancelled()).
    const std::atomic<bool>* cancel = nullptr;
    // Stop at the first matching line: only whether the file matches counts.
    bool firstMatch = false;
    // A NUL byte in the first block read marks the file binary: it is not
    // searched (CTextSearch::Binary()).
    bool skipBinary = false;
    // 0: the buffer grows to hold any line. Else it never grows past this
    // many bytes; a longer line is searched in pieces of the buffer, each
    // piece overlapping the one before by kPieceOverlap bytes (a match
    // longer than that across a cut can be missed, and "^" and "$" match at
    // a cut).
    size_t maxBuffer = 0;
};

class CTextSearch {
  public:
    // Bytes read from the file at a time; the buffer starts at this size and
    // grows only to hold a longer line.
    static constexpr size_t kBlockSize = size_t{256} * 1024;
    // Characters of a line shown in the report.
    static constexpr size_t kReportWidth = 72;

    // blockSize: bytes read at a time (tests use tiny blocks). REQUIRES: >= 1.
    explicit CTextSearch(size_t blockSize = kBlockSize);
    CTextSearch(const CTextSearch&) = delete;
    CTextSearch& operator=(const CTextSearch&) = delete;

    // Compiles pattern only. On failure puts the message for the error code
    // into *message and returns false.
    bool CheckPattern(const std::string& pattern, PatternMode mode, std::string* message);

    // Searches the file hostPath for lines matching pattern and writes the
    // report to *output when output is not null. Returns true when at least
    // one line matched. A pattern CheckPattern refuses gives false without
    // reading the file; so does a file that cannot be opened (ErrorText()
    // says why). A read error or a failed report write stops the search.
    bool Search(const std::string& hostPath, const std::string& pattern, PatternMode mode,
                bool ignoreCase, std::ostream* output);

    // The same over an open descriptor (not closed here); name is what the
    // report prints.
    bool SearchDescriptor(int fd, const std::string& name, const std::string& pattern,
                          PatternMode mode, bool ignoreCase, std::ostream* output);

    // Bytes of a long line searched again at the start of its next piece.
    static constexpr size_t kPieceOverlap = 4096;

    // How the following searches read files (see SearchLimits).
    void SetLimits(const SearchLimits& limits) { m_limits = limits; }
    // Compiles the pattern for SearchCompiled; false with *message set on a
    // bad pattern.
    bool Compile(const std::string& pattern, PatternMode mode, bool ignoreCase,
                 std::string* message);
    // Searches an open descriptor (not closed here) with the pattern of the
    // last Compile, without a report. REQUIRES: Compile succeeded.
    bool SearchCompiled(int fd, const std::string& name);
    // Whether the last search stopped at a binary first block, or on cancel.
    bool Binary() const { return m_binary; }
    bool Cancelled() const { return m_cancelled; }

    // Matching lines of the last search.
    int64_t LinesFound() const { return m_linesFound; }
    // Why the last search failed or stopped early; "" when it ran to the end.
    const std::string& ErrorText() const { return m_errorText; }
    // The pattern compiled by the last CheckPattern or Search.
    const CCompiledPattern& Pattern() const { return m_pattern; }

  private:
    class Scanner;

    bool ReadAndScan(int fd, std::ostream* output);

    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_bufferSize = 0;
    CCompiledPattern m_pattern;
    std::string m_fileName;
    int64_t m_linesFound = 0;
    std::string m_errorText;
    SearchLimits m_limits;
    bool m_binary = false;
    bool m_cancelled = false;
};

} // namespace vorlane::search
