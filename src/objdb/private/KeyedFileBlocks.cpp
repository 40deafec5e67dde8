// Block and record I/O of the keyed record file: index blocks read, checked
// and kept in the block cache (with read-ahead along a level's leaves), new
// and freed index blocks, cache trimming, and record data written into fresh
// blocks and read back with its self-check.
#include "objdb/private/KeyedFileImpl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vorlane::objdb {

using namespace detail;

// ---- blocks ----------------------------------------------------------------

int32_t KeyedFileImpl::ReadRaw(uint32_t number, uint8_t* out) {
    auto it = m_overlay.find(number);
    if (it != m_overlay.end()) {
        std::memcpy(out, it->second.data(), kBlockSize);
        return kKfSuccess;
    }
    size_t got = 0;
    if (int e = m_file.Read(out, kBlockSize, BlockOffset(number), &got))
        return Fail(kKfReadFailed, "Cannot read '" + m_path + "': " + ErrnoText(e));
    if (got < kBlockSize)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(number) +
                                    " lies beyond the end of the file.");
    return kKfSuccess;
}

IndexBlock* KeyedFileImpl::Load(uint32_t number, int expectLevel, int32_t* status, bool readAhead) {
    if (number == 0 || number >= m_blockCount) {
        *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(number) +
                                       " lies outside the file.");
        return nullptr;
    }
    IndexBlock* block = Cached(number);
    if (block == nullptr) {
        constexpr uint32_t kAhead = 16;
        uint32_t run = readAhead && m_overlay.empty() ? std::min(kAhead, m_blockCount - number) : 1;
        std::vector<uint8_t>& ahead = m_scratch;
        auto fresh = std::make_unique_for_overwrite<IndexBlock>();
        fresh->number = number;
        fresh->order = m_order;
        if (run > 1) {
            if (ahead.size() < size_t(run) * kBlockSize)
                ahead.resize(size_t(kAhead) * kBlockSize);
            size_t got = 0;
            if (int e = m_file.Read(ahead.data(), size_t(run) * kBlockSize, BlockOffset(number),
                                    &got)) {
                *status = Fail(kKfReadFailed, "Cannot read '" + m_path + "': " + ErrnoText(e));
                return nullptr;
            }
            run = uint32_t(got / kBlockSize);
            if (run == 0) {
                *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " +
                                               std::to_string(number) +
                                               " lies beyond the end of the file.");
                return nullptr;
            }
            std::memcpy(fresh->bytes.data(), ahead.data(), kBlockSize);
        } else if ((*status = ReadRaw(number, fresh->bytes.data())) != kKfSuccess) {
            return nullptr;
        }
        std::string why;
        if (!fresh->Parse(m_kinds, &why)) {
            *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " +
                                           std::to_string(number) + ": " + why + ".");
            return nullptr;
        }
        block = fresh.get();
        m_cache[number] = std::move(fresh);
        // Keep the blocks read along that continue this leaf's level: each
        // must be the one its predecessor names as next, and a leaf.
        const IndexBlock* previous = block;
        for (uint32_t k = 1; k < run && previous->Level() == 0; ++k) {
            uint32_t n = number + k;
            if (previous->Next() != n || Cached(n) != nullptr)
                break;
            auto next = std::make_unique_for_overwrite<IndexBlock>();
            next->number = n;
            next->order = m_order;
            std::memcpy(next->bytes.data(), &ahead[size_t(k) * kBlockSize], kBlockSize);
            if (!next->Parse(m_kinds, &why) || next->Level() != 0)
                break;
            next->tick = ++m_clock;
            previous = next.get();
            m_cache[n] = std::move(next);
        }
    }
    if (expectLevel >= 0 && block->Level() != expectLevel) {
        *status = Fail(kKfDamaged, "'" + m_path + "' is damaged: block " + std::to_string(number) +
                                       " has level " + std::to_string(block->Level()) + " where " +
                                       std::to_string(expectLevel) + " belongs.");
        return nullptr;
    }
    block->tick = ++m_clock;
    *status = kKfSuccess;
    return block;
}

IndexBlock* KeyedFileImpl::NewBlock(int level) {
    constexpr uint32_t kRun = 16;
    if (m_indexRunLeft == 0) {
        uint32_t run = Allocate(kRun);
        if (run == kNoBlock)
            return nullptr;
        m_indexRun = run;
        m_indexRunLeft = kRun;
    }
    uint32_t number = m_indexRun++;
    --m_indexRunLeft;
    NoteBorn(number);
    auto fresh = std::make_unique_for_overwrite<IndexBlock>();
    fresh->number = number;
    fresh->order = m_order;
    fresh->InitEmpty(level);
    IndexBlock* block = fresh.get();
    std::unique_ptr<IndexBlock>& slot = m_cache[number];
    if (slot)
        m_graveyard.push_back(std::move(slot));
    slot = std::move(fresh);
    block->tick = ++m_clock;
    MarkDirty(block);
    return block;
}

void KeyedFileImpl::MarkDirty(IndexBlock* block) {
    m_changed = true;
    ++m_version;
    if (!block->dirty) {
        block->dirty = true;
        m_dirty.push_back(block->number);
    }
}

void KeyedFileImpl::FreeIndexBlock(IndexBlock* block) {
    uint32_t number = block->number;
    ++m_version;
    // Kept alive until the operation ends: a caller may still hold it.
    auto it = m_cache.find(number);
    if (it != m_cache.end()) {
        m_graveyard.push_back(std::move(it->second));
        m_cache.erase(it);
    }
    Release(number, 1);
}

void KeyedFileImpl::TrimCache() {
    m_graveyard.clear();
    size_t limit = size_t(m_cacheBuffers) * 2048;
    if (m_cache.size() <= limit)
        return;
    std::vector<std::pair<uint64_t, uint32_t>> clean;
    clean.reserve(m_cache.size());
    for (const auto& [number, block] : m_cache)
        if (!block->dirty)
            clean.emplace_back(block->tick, number);
    size_t drop = std::min(clean.size(), m_cache.size() - limit + limit / 8);
    if (drop == 0)
        return;
    std::nth_element(clean.begin(), clean.begin() + long(drop - 1), clean.end());
    for (size_t i = 0; i < drop; ++i)
        m_cache.erase(clean[i].second);
}

void KeyedFileImpl::DropCache() {
    m_graveyard.clear();
    m_cache.clear();
    m_clock = 0;
}

// ---- records -----------------------------------------------------------------

int32_t KeyedFileImpl::WriteRecord(const void* data, uint32_t length, uint32_t* recno) {
    *recno = 0;
    if (length == 0)
        return kKfSuccess;
    uint32_t blocks = ExtentBlocks(length);
    uint32_t start = Allocate(blocks);
    if (start == kNoBlock)
        return WriteFailed(kKfShortWrite, "Growing", EFBIG);
    NoteBorn(start);
    uint8_t head[kDataHeader];
    m_order.Put32(head, start);
    m_order.Put32(head + 4, length);
    struct iovec iov[2] = {{head, kDataHeader}, {const_cast<void*>(data), length}};
    if (int e = m_file.WriteV(iov, 2, BlockOffset(start))) {
        Release(start, blocks);
        return WriteFailed(kKfShortWrite, "Writing", e);
    }
    *recno = start;
    return kKfSuccess;
}

int32_t KeyedFileImpl::ReadRecord(uint32_t recno, uint32_t length, void* buffer, size_t capacity) {
    if (buffer == nullptr || capacity == 0 || length == 0)
        return kKfSuccess;
    uint32_t blocks = ExtentBlocks(length);
    if (recno == 0 || recno >= m_blockCount || blocks > m_blockCount - recno)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: record data at block " +
                                    std::to_string(recno) + " lies outside the file.");
    uint8_t head[kDataHeader];
    size_t want = std::min<size_t>(length, capacity);
    struct iovec iov[2] = {{head, kDataHeader}, {buffer, want}};
    size_t got = 0;
    if (int e = m_file.ReadV(iov, 2, BlockOffset(recno), &got))
        return Fail(kKfReadFailed, "Cannot read '" + m_path + "': " + ErrnoText(e));
    if (got < kDataHeader + want || m_order.Get32(head) != recno ||
        m_order.Get32(head + 4) != length)
        return Fail(kKfDamaged, "'" + m_path + "' is damaged: the record data at block " +
                                    std::to_string(recno) + " does not belong to its entry.");
    return kKfSuccess;
}

} // namespace vorlane::objdb
