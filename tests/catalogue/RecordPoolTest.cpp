#include "catalogue/private/RecordPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace vorlane::catalogue::detail {
namespace {

TEST(RecordPoolTest, SlotsAreAlignedDistinctAndReused) {
    RecordPool pool(100);
    EXPECT_EQ(pool.SlotSize() % alignof(std::max_align_t), 0u);
    EXPECT_GE(pool.SlotSize(), 100u);
    std::vector<void*> slots;
    std::set<void*> distinct;
    for (int i = 0; i < 2000; ++i) { // several blocks
        void* slot = pool.Allocate();
        ASSERT_EQ(reinterpret_cast<uintptr_t>(slot) % alignof(std::max_align_t), 0u);
        std::memset(slot, i & 0xFF, 100); // the whole slot is usable
        slots.push_back(slot);
        distinct.insert(slot);
    }
    EXPECT_EQ(distinct.size(), slots.size());
    pool.Free(slots[7]);
    pool.Free(slots[9]);
    pool.Free(nullptr);
    // Freed slots come back, last freed first, before any new memory.
    EXPECT_EQ(pool.Allocate(), slots[9]);
    EXPECT_EQ(pool.Allocate(), slots[7]);
    EXPECT_EQ(distinct.count(pool.Allocate()), 0u);
}

} // namespace
} // namespace vorlane::catalogue::detail
