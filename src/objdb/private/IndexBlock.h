// One 1024-byte index block held in memory: the raw bytes exactly as they lie
// in the file, plus the offsets of its packed entries for binary search.
// Owned by the engine's block cache; private to the objdb module.
#pragma once

#include "objdb/private/FileFormat.h"
#include "objdb/private/KeyType.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::objdb::detail {

// Key kind of each index number (slot 0 unused).
using IndexKinds = std::array<KeyKind, kMaxIndex + 1>;

struct EntryView {
    const uint8_t* base = nullptr; // the length byte
    uint32_t size = 0;             // 1 + L
    uint8_t index = 0;
    uint8_t tieBreak = 0;
    uint32_t recno = 0;
    const uint8_t* key = nullptr;
    uint32_t keyLen = 0;
    uint32_t tail = 0; // leaf: data length; inner: child block
};

// Reads an entry from its bytes (length byte first). REQUIRES: well formed.
EntryView ViewEntry(const ByteOrder& order, const uint8_t* p);

// Builds the bytes of an entry (length byte included).
std::string MakeEntry(const ByteOrder& order, uint8_t index, uint32_t recno, std::string_view key,
                      uint32_t tail);

class IndexBlock {
  public:
    uint32_t number = 0;
    bool dirty = false;
    uint64_t tick = 0; // last use, for eviction
    ByteOrder order;
    std::array<uint8_t, kBlockSize> bytes; // filled by the owner before use

    int Level() const { return order.GetS16(&bytes[kBlkLevel]); }
    int Count() const { return m_count; }
    uint32_t Free() const { return order.Get16(&bytes[kBlkFree]); }
    uint32_t Used() const { return kEntryArea - Free(); }
    uint32_t LeftChild() const { return order.Get32(&bytes[kBlkLeftChild]); }
    uint32_t Next() const { return order.Get32(&bytes[kBlkNext]); }
    uint32_t Prev() const { return order.Get32(&bytes[kBlkPrev]); }
    void SetLeftChild(uint32_t b) { order.Put32(&bytes[kBlkLeftChild], b); }
    void SetNext(uint32_t b) { order.Put32(&bytes[kBlkNext], b); }
    void SetPrev(uint32_t b) { order.Put32(&bytes[kBlkPrev], b); }

    EntryView Entry(int i) const;
    void SetTail(int i, uint32_t value);
    void SetRecno(int i, uint32_t value);
    bool Fits(uint32_t entrySize) const { return entrySize <= Free(); }

    // An empty block of the given level with no links.
    void InitEmpty(int level);
    // REQUIRES: Fits(entry.size()), 0 <= slot <= Count().
    void Insert(int slot, std::string_view entry);
    // REQUIRES: 0 <= slot < Count().
    void Remove(int slot);
    // Replaces every entry (the header links stay). REQUIRES: they fit.
    void SetEntries(const std::vector<std::string>& entries);
    // Every entry's bytes, in order.
    std::vector<std::string> Entries() const;

    // Checks the raw bytes (level, count, free bytes, each entry's shape and
    // key, strict order) and builds the entry offsets. False with a reason
    // when the block cannot be an index block.
    bool Parse(const IndexKinds& kinds, std::string* why);

  private:
    void Reindex();
    std::array<uint16_t, kMaxEntries + 1> m_offs; // offset of each entry's length byte
    int m_count = 0;
};

// Orders an entry against (index, key): <0, 0, >0.
inline int CompareEntry(const IndexKinds& kinds, const ByteOrder& order, const EntryView& e,
                        uint8_t index, const uint8_t* key, uint32_t keyLen) {
    if (e.index != index)
        return e.index < index ? -1 : 1;
    return CompareKeys(kinds[index], order, e.key, e.keyLen, key, keyLen);
}

inline int CompareEntries(const IndexKinds& kinds, const ByteOrder& order, const EntryView& a,
                          const EntryView& b) {
    return CompareEntry(kinds, order, a, b.index, b.key, b.keyLen);
}

} // namespace vorlane::objdb::detail
