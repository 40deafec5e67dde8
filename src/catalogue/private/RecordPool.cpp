#include "catalogue/private/RecordPool.h"

// The poisoning macros do nothing in builds without AddressSanitizer.
#include <sanitizer/asan_interface.h>

namespace vorlane::catalogue::detail {

RecordPool::~RecordPool() {
    for (const std::unique_ptr<char[]>& block : m_blocks)
        ASAN_UNPOISON_MEMORY_REGION(block.get(), kBlockBytes);
}

void* RecordPool::Allocate() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_free != nullptr) {
        FreeSlot* slot = m_free;
        ASAN_UNPOISON_MEMORY_REGION(slot, m_slotSize);
        m_free = slot->next;
        return slot;
    }
    if (m_cursor == nullptr || m_cursor + m_slotSize > m_end) {
        // operator new[] of char gives memory aligned for any object.
        m_blocks.emplace_back(new char[kBlockBytes]);
        m_cursor = m_blocks.back().get();
        m_end = m_cursor + kBlockBytes;
        ASAN_POISON_MEMORY_REGION(m_cursor, kBlockBytes);
    }
    void* slot = m_cursor;
    m_cursor += m_slotSize;
    ASAN_UNPOISON_MEMORY_REGION(slot, m_slotSize);
    return slot;
}

void RecordPool::Free(void* slot) {
    if (slot == nullptr)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto* free = static_cast<FreeSlot*>(slot);
    free->next = m_free;
    m_free = free;
    // The link to the next free slot lies inside the poisoned slot too: only
    // the pool reads it, after unpoisoning.
    ASAN_POISON_MEMORY_REGION(slot, m_slotSize);
}

} // namespace vorlane::catalogue::detail
