// What the zip tests ask of the heap: make one chosen allocation fail with
// std::bad_alloc on any thread, as memory running out would (through the
// platform's fault seam), and count the bytes a structure holds (through the
// allocator's own statistics).
#pragma once

namespace vorlane::zip::testing {

// From now on the nth allocation (1-based) throws std::bad_alloc, once;
// 0 disarms.
void FailNthAllocation(long nth);
// True when the armed failure has happened since it was armed.
bool AllocationFailed();
// Bytes handed out by the allocator and not yet given back.
long long LiveHeapBytes();

} // namespace vorlane::zip::testing
