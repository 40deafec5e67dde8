#include "catalogue/private/RecordPool.h"

#include "catalogue/CFileInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define VORLANE_ASAN 1
#endif

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

// The file records of the catalogue come from the pool in every build: the
// sanitizer build once switched it off, so the allocator the release build
// uses ran only here.
TEST(RecordPoolTest, FileRecordsComeFromThePoolInEveryBuild) {
    auto* record = new CFileInfo("A.TXT", 1, {}, 0644, 0);
    void* where = record;
    delete record;
    // A slot freed last is the next one handed out; the general heap (and
    // the sanitizer's quarantine) would give other memory.
    auto* again = new CFileInfo("B.TXT", 2, {}, 0644, 1);
    EXPECT_EQ(static_cast<void*>(again), where);
    delete again;
}

#ifdef VORLANE_ASAN
TEST(RecordPoolTest, FreeAndUnusedSlotsArePoisoned) {
    RecordPool pool(100);
    char* a = static_cast<char*>(pool.Allocate());
    char* b = static_cast<char*>(pool.Allocate());
    EXPECT_EQ(__asan_region_is_poisoned(a, pool.SlotSize()), nullptr);
    EXPECT_TRUE(__asan_address_is_poisoned(b + pool.SlotSize())); // not handed out yet
    pool.Free(a);
    for (size_t at : {size_t(0), size_t(8), pool.SlotSize() - 1})
        EXPECT_TRUE(__asan_address_is_poisoned(a + at)) << at;
    EXPECT_EQ(pool.Allocate(), a);
    EXPECT_EQ(__asan_region_is_poisoned(a, pool.SlotSize()), nullptr);
    pool.Free(b);
}

TEST(RecordPoolTest, UseOfAFreedFileRecordIsReported) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            CFileInfo* volatile record = new CFileInfo("A.TXT", 1, {}, 0644, 0);
            CFileInfo* freed = record;
            delete freed;
            volatile uint64_t size = record->Size(); // the dangling pointer
            (void)size;
        },
        "use-after-poison");
}
#else
TEST(RecordPoolTest, FreeAndUnusedSlotsArePoisoned) {
    GTEST_SKIP() << "poisoning is checked in the AddressSanitizer build";
}
#endif

} // namespace
} // namespace vorlane::catalogue::detail
