// A pool of equal-sized memory slots for the file records of directory
// listings, which come and go a hundred thousand at a time: taking a slot
// from a free list costs far less than the general heap, and a slot carries
// no heap header. Blocks are kept for the life of the process and reused;
// they are never given back, so a record can never outlive its memory.
//
// Guarded by a mutex (records are made on the user-interface thread, but
// nothing breaks if another thread frees one). Under AddressSanitizer the
// pool is the same, and the sanitizer still sees a use after free: a free
// slot, and the part of a block not handed out yet, are poisoned, so any
// touch of them is reported.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace vorlane::catalogue::detail {

class RecordPool {
  public:
    // REQUIRES: slotSize >= sizeof(void*).
    explicit RecordPool(size_t slotSize) : m_slotSize(RoundUp(slotSize)) {}
    ~RecordPool(); // gives the blocks back to the heap unpoisoned
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    void* Allocate();
    void Free(void* slot);
    size_t SlotSize() const { return m_slotSize; }

  private:
    static size_t RoundUp(size_t size) {
        const size_t align = alignof(std::max_align_t);
        return (size + align - 1) / align * align;
    }

    struct FreeSlot {
        FreeSlot* next;
    };
    static constexpr size_t kBlockBytes = 64 * 1024;

    std::mutex m_mutex;
    size_t m_slotSize;
    FreeSlot* m_free = nullptr;
    char* m_cursor = nullptr;
    char* m_end = nullptr;
    std::vector<std::unique_ptr<char[]>> m_blocks;
};

} // namespace vorlane::catalogue::detail
