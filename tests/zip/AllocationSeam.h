// The zip tests replace the global operator new and delete so that a test
// can count the heap bytes a structure holds and make one chosen
// allocation fail with std::bad_alloc, as memory running out would.
// Counting and failing cover every thread; both are off until asked for.
#pragma once

namespace vorlane::zip::testing {

// From now on the nth allocation (1-based) throws std::bad_alloc, once;
// 0 disarms.
void FailNthAllocation(long nth);
// True when the armed failure has happened since it was armed.
bool AllocationFailed();
// Bytes handed out by operator new and not yet given back, counted by the
// allocator's usable size of each block.
long long LiveHeapBytes();

} // namespace vorlane::zip::testing
