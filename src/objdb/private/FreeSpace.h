// The free blocks of an open keyed record file, as coalesced ranges. Rebuilt
// after every open from the blocks the committed tree uses, so the file itself
// keeps no free list that a crash could leave inconsistent. Private to objdb.
//
// Only blocks that the committed state does not reference are ever in here;
// blocks released by the transaction in flight wait in the engine until the
// commit that stops referencing them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <utility>

namespace vorlane::objdb::detail {

class FreeSpace {
  public:
    void Clear();
    // REQUIRES: the range is not free already.
    void Release(uint32_t start, uint32_t count);
    // Takes count consecutive blocks from the smallest range that holds them;
    // false when no range is large enough.
    bool Take(uint32_t count, uint32_t* start);
    uint64_t Blocks() const { return m_blocks; }
    size_t Ranges() const { return m_byStart.size(); }

  private:
    void Insert(uint32_t start, uint32_t count);
    void Erase(std::map<uint32_t, uint32_t>::iterator it);

    std::map<uint32_t, uint32_t> m_byStart;           // start -> count
    std::set<std::pair<uint32_t, uint32_t>> m_bySize; // (count, start)
    uint64_t m_blocks = 0;
};

} // namespace vorlane::objdb::detail
