#include "catalogue/private/RecordPool.h"

namespace vorlane::catalogue::detail {

void* RecordPool::Allocate() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_free != nullptr) {
        FreeSlot* slot = m_free;
        m_free = slot->next;
        return slot;
    }
    if (m_cursor == nullptr || m_cursor + m_slotSize > m_end) {
        // operator new[] of char gives memory aligned for any object.
        m_blocks.emplace_back(new char[kBlockBytes]);
        m_cursor = m_blocks.back().get();
        m_end = m_cursor + kBlockBytes;
    }
    void* slot = m_cursor;
    m_cursor += m_slotSize;
    return slot;
}

void RecordPool::Free(void* slot) {
    if (slot == nullptr)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto* free = static_cast<FreeSlot*>(slot);
    free->next = m_free;
    m_free = free;
}

} // namespace vorlane::catalogue::detail
