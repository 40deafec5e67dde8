// What tests ask of the heap: make one chosen allocation fail with
// std::bad_alloc on any thread, as memory running out would (through the
// platform's fault seam), and count the bytes a structure holds (through the
// allocator's own statistics). For test programs of modules that use
// platform.
#pragma once

#include "platform/FaultInjection.h"

#include <cstddef>
#include <malloc.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORLANE_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VORLANE_ASAN 1
#endif
#ifdef VORLANE_ASAN
// The sanitizer runtime's count of the bytes in use (its header is not
// shipped with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace vorlane::test {

// From now on the nth allocation (1-based) throws std::bad_alloc, once;
// 0 disarms.
inline void FailNthAllocation(long nth) {
    platform::fault::ArmAllocAnyThread(nth);
}

// True when the armed failure has happened since it was armed.
inline bool AllocationFailed() {
    return platform::fault::AllocAnyThreadFired();
}

// Bytes handed out by the allocator and not yet given back.
inline long long LiveHeapBytes() {
    // The allocator's own count of the bytes in use: the sanitizer's when
    // it owns the heap, else the C library's.
#ifdef VORLANE_ASAN
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long long>(mallinfo2().uordblks);
#endif
}

} // namespace vorlane::test
