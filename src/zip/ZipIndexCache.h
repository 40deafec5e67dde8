// ZipIndexCache: the parsed central directories of the last few archives
// one reader listed, handed to the engine with each call
// (UnzipCommandRecord::indexCache). An open keeps the archive's index
// here; member information after it reads that index as it is (a listing
// is one snapshot of the archive), and asking for the last member drops
// it. An open, the comment and member 0 use a kept index only while the
// file's identity, size and times are unchanged; extraction always parses
// afresh.
//
// The owner (one operation, CZipFileOperation) keeps it for its lifetime;
// nothing is shared between two caches, so two operations on two threads
// never see each other's archives. Not thread-safe: one thread at a time.
#pragma once

#include <cstddef>
#include <memory>

namespace vorlane::zip {

class ZipIndexCache {
  public:
    // Archives whose index is kept at most; the least recently used goes.
    static constexpr size_t kCapacity = 4;

    ZipIndexCache();
    ~ZipIndexCache();
    ZipIndexCache(const ZipIndexCache&) = delete;
    ZipIndexCache& operator=(const ZipIndexCache&) = delete;

    // Archives whose index is kept now.
    size_t Count() const;

    // The engine's own state (UnzipEngine.cpp).
    struct Entries;
    Entries& Kept() { return *m_entries; }

  private:
    std::unique_ptr<Entries> m_entries;
};

} // namespace vorlane::zip
