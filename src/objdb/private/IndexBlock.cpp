#include "objdb/private/IndexBlock.h"

#include <cstring>

namespace vorlane::objdb::detail {

std::string MakeEntry(const ByteOrder& order, uint8_t index, uint32_t recno, std::string_view key,
                      uint32_t tail) {
    std::string e(1 + kEntryFixed + key.size(), '\0');
    auto* p = reinterpret_cast<uint8_t*>(e.data());
    p[0] = uint8_t(kEntryFixed + key.size());
    p[1] = index;
    p[2] = 0; // tie-break byte
    order.Put32(p + 3, recno);
    std::memcpy(p + 7, key.data(), key.size());
    order.Put32(p + 7 + key.size(), tail);
    return e;
}

EntryView IndexBlock::Entry(int i) const {
    return ViewEntry(order, &bytes[m_offs[size_t(i)]]);
}

EntryView ViewEntry(const ByteOrder& order, const uint8_t* p) {
    EntryView e;
    e.base = p;
    uint32_t l = e.base[0];
    e.size = 1 + l;
    e.index = e.base[1];
    e.tieBreak = e.base[2];
    e.recno = order.Get32(e.base + 3);
    e.key = e.base + 7;
    e.keyLen = l - kEntryFixed;
    e.tail = order.Get32(e.base + 7 + e.keyLen);
    return e;
}

void IndexBlock::SetTail(int i, uint32_t value) {
    uint8_t* p = &bytes[m_offs[size_t(i)]];
    order.Put32(p + 1 + p[0] - 4, value);
}

void IndexBlock::SetRecno(int i, uint32_t value) {
    order.Put32(&bytes[m_offs[size_t(i)]] + 3, value);
}

void IndexBlock::InitEmpty(int level) {
    bytes.fill(0);
    SetLeftChild(0);
    SetNext(kNoBlock);
    SetPrev(kNoBlock);
    order.Put16(&bytes[kBlkLevel], uint16_t(level));
    order.Put16(&bytes[kBlkCount], 0);
    order.Put16(&bytes[kBlkFree], uint16_t(kEntryArea));
    m_count = 0;
}

void IndexBlock::Insert(int slot, std::string_view entry) {
    uint32_t at = slot < Count() ? m_offs[size_t(slot)] : kBlkEntries + Used();
    uint32_t end = kBlkEntries + Used();
    std::memmove(&bytes[at + entry.size()], &bytes[at], end - at);
    std::memcpy(&bytes[at], entry.data(), entry.size());
    order.Put16(&bytes[kBlkFree], uint16_t(Free() - entry.size()));
    order.Put16(&bytes[kBlkCount], uint16_t(Count() + 1));
    Reindex();
}

void IndexBlock::Remove(int slot) {
    uint32_t at = m_offs[size_t(slot)];
    uint32_t size = 1u + bytes[at];
    uint32_t end = kBlkEntries + Used();
    std::memmove(&bytes[at], &bytes[at + size], end - at - size);
    std::memset(&bytes[end - size], 0, size);
    order.Put16(&bytes[kBlkFree], uint16_t(Free() + size));
    order.Put16(&bytes[kBlkCount], uint16_t(Count() - 1));
    Reindex();
}

void IndexBlock::SetEntries(const std::vector<std::string>& entries) {
    uint32_t at = kBlkEntries;
    for (const std::string& e : entries) {
        std::memcpy(&bytes[at], e.data(), e.size());
        at += uint32_t(e.size());
    }
    std::memset(&bytes[at], 0, kBlockSize - at);
    order.Put16(&bytes[kBlkCount], uint16_t(entries.size()));
    order.Put16(&bytes[kBlkFree], uint16_t(kBlockSize - at));
    Reindex();
}

std::vector<std::string> IndexBlock::Entries() const {
    std::vector<std::string> out;
    out.reserve(size_t(m_count));
    for (int i = 0; i < m_count; ++i)
        out.emplace_back(reinterpret_cast<const char*>(&bytes[m_offs[size_t(i)]]),
                         1u + bytes[m_offs[size_t(i)]]);
    return out;
}

void IndexBlock::Reindex() {
    int count = order.GetS16(&bytes[kBlkCount]);
    m_count = count;
    uint32_t at = kBlkEntries;
    for (int i = 0; i < count; ++i) {
        m_offs[size_t(i)] = uint16_t(at);
        at += 1u + bytes[at];
    }
}

bool IndexBlock::Parse(const IndexKinds& kinds, std::string* why) {
    int level = Level();
    int count = order.GetS16(&bytes[kBlkCount]);
    int free = order.GetS16(&bytes[kBlkFree]);
    if (level < 0 || level > kMaxLevel) {
        *why = "level " + std::to_string(level) + " is impossible";
        return false;
    }
    if (count < 0 || count > kMaxEntries) {
        *why = "entry count " + std::to_string(count) + " is impossible";
        return false;
    }
    if (free < 0 || free > int(kEntryArea)) {
        *why = "free byte count " + std::to_string(free) + " is impossible";
        return false;
    }
    m_count = 0;
    uint32_t at = kBlkEntries;
    for (int i = 0; i < count; ++i) {
        if (at >= kBlockSize || at + 1u + bytes[at] > kBlockSize) {
            *why = "entry " + std::to_string(i) + " runs past the end of the block";
            return false;
        }
        uint32_t l = bytes[at];
        if (l <= kEntryFixed) {
            *why = "entry " + std::to_string(i) + " is too short";
            return false;
        }
        m_offs[size_t(m_count++)] = uint16_t(at);
        at += 1 + l;
    }
    if (kBlkEntries + (kEntryArea - uint32_t(free)) != at) {
        *why = "free byte count " + std::to_string(free) + " does not match the entries";
        m_count = 0;
        return false;
    }
    for (int i = 0; i < count; ++i) {
        EntryView e = Entry(i);
        if (e.index < 1 || e.index > kMaxIndex) {
            *why = "entry " + std::to_string(i) + " names index " + std::to_string(e.index);
            m_count = 0;
            return false;
        }
        if (!ValidKey(kinds[e.index], e.key, e.keyLen)) {
            *why = "entry " + std::to_string(i) + " holds a malformed key";
            m_count = 0;
            return false;
        }
        if (level == 0) {
            if (e.tail > kMaxRecordBytes || (e.recno == 0) != (e.tail == 0)) {
                *why = "entry " + std::to_string(i) + " describes impossible record data";
                m_count = 0;
                return false;
            }
        } else if (e.tail == 0 || e.tail == kNoBlock) {
            *why = "entry " + std::to_string(i) + " has no child block";
            m_count = 0;
            return false;
        }
        if (i > 0 && CompareEntries(kinds, order, Entry(i - 1), e) >= 0) {
            *why = "entry " + std::to_string(i) + " is out of order";
            m_count = 0;
            return false;
        }
    }
    if (level > 0 && (LeftChild() == 0 || LeftChild() == kNoBlock)) {
        *why = "inner block has no first child";
        m_count = 0;
        return false;
    }
    return true;
}

} // namespace vorlane::objdb::detail
