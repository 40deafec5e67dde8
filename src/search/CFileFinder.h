// Finding files across a directory tree: the engine behind the Find Files
// window and `vorlane --find`.
//
// A find walks the tree below a host directory and reports every file
// whose name passes the name selector (wildcards and file sets, the first
// entry that matches decides), that meets every condition of a search
// request and, when text is given, that holds a line matching it.
//
// Rules of the walk:
//   1. Each subdirectory is opened relative to its parent's descriptor and
//      never through a symbolic link: a link is reported as itself (by its
//      name and its own size and date) and never entered, and content is
//      never read through one, so the search never leaves the tree.
//   2. FIFOs, sockets and devices are never reported nor opened; a file is
//      opened without blocking and searched only when it is a regular file
//      once open, so a FIFO swapped in during the walk cannot stall it.
//   3. Directories are reported by nobody: a find lists files.
//   4. Content is read in blocks by the text search engine with a bounded
//      buffer, stopping at the first matching line; a file whose first
//      block holds a NUL byte is skipped only when skipBinary asks for it.
//   5. The cancel flag is polled at every directory entry and between the
//      blocks of a file; a cancelled find reports nothing more.
//
// Threads: walkThreads threads walk the tree, sharing a queue of
// directories; with text, searchThreads threads (one per core by default)
// read the files the walkers queue (at most kMaxQueuedFiles open at once).
// The found callback is called on those threads, one call at a time.
//
// A finder is prepared on the thread that owns the object database (file
// sets are expanded then) and run on any thread; one run at a time.
#pragma once

#include "search/CCompiledPattern.h"
#include "search/CFileSearchRequest.h"
#include "search/FileSets.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::search {

struct FindParameters {
    std::string hostRoot;                 // searched with everything below it
    std::string fileTypes;                // wildcards and "[set]" items; "" every file
    const CFileSetLookup* sets = nullptr; // read by Prepare only; null: no sets
    CFileSearchRequest request;           // conditions every file found meets
    std::string containing;               // "" no content condition
    PatternMode mode = PatternMode::kPlainText;
    bool ignoreCase = false;
    bool skipBinary = false;
    unsigned walkThreads = 2;   // at least 1
    unsigned searchThreads = 0; // 0: one per core
};

// What a run met besides the files it found.
struct FindSummary {
    uint64_t found = 0;
    uint64_t unreadable = 0; // directories and files that could not be opened
    std::string firstError;  // the first of them, "" when none
    bool cancelled = false;
};

class CFileFinder {
  public:
    // Files opened and waiting for a content search thread.
    static constexpr size_t kMaxQueuedFiles = 128;
    // The most a content search thread holds of one line.
    static constexpr size_t kMaxLineBuffer = size_t{4} * 1024 * 1024;

    // Called with the found file's host path below the root ("A/B.TXT").
    using FoundCallback = std::function<void(const std::string& relative)>;

    // Expands the names and compiles the text. False with *error set on a
    // bad file-types string or pattern.
    bool Prepare(FindParameters parameters, std::string* error);

    // Walks the tree and calls found for every file that matches. False
    // with *error set when the root cannot be opened; otherwise true, also
    // when cancelled (Summary() says so). REQUIRES: Prepare succeeded.
    bool Run(const FoundCallback& found, const std::atomic<bool>* cancel, std::string* error);

    const FindSummary& Summary() const { return m_summary; }
    const FindParameters& Parameters() const { return m_parameters; }

  private:
    struct Walk;

    FindParameters m_parameters;
    bool m_anyName = true;
    CFileSelector m_names;
    FindSummary m_summary;
};

// The host directory of a full DOS path ("C:\\DOCS") to find in, and the
// prefix found files are shown under: the root as the disk spells it,
// whatever case was typed, ending in a backslash. False with *error the
// reason when the drive is not mapped or the path is malformed.
bool ResolveFindRoot(const std::string& dosRoot, const platform::DriveMap& drives,
                     std::string* hostRoot, std::string* dosPrefix, std::string* error);

// The DOS path of a found file: dosPrefix (from ResolveFindRoot) followed
// by the DOS form of each name of the host path relative ("A/B.TXT").
std::string FoundDosPath(const std::string& dosPrefix, const std::string& relative);

} // namespace vorlane::search
