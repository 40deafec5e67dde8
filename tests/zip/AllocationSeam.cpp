#include "AllocationSeam.h"

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

namespace vorlane::zip::testing {

void FailNthAllocation(long nth) {
    platform::fault::ArmAllocAnyThread(nth);
}

bool AllocationFailed() {
    return platform::fault::AllocAnyThreadFired();
}

long long LiveHeapBytes() {
    // The allocator's own count of the bytes in use: the sanitizer's when
    // it owns the heap, else the C library's.
#ifdef VORLANE_ASAN
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long long>(mallinfo2().uordblks);
#endif
}

} // namespace vorlane::zip::testing
