// A seam for tests: makes the Nth open, write, rename, fsync, allocation, ...
// done through the platform layer fail with a chosen errno, so every module
// can test disk-full, permission, out-of-memory and crash paths
// deterministically.
//
// In builds without VORLANE_FAULT_INJECTION, Check() is an inline constant 0
// and the arming calls do nothing. A build with the tests always compiles
// the seam.
//
// Every platform wrapper that performs one of these operations calls
// fault::Check(op) first and fails with the returned errno when it is not 0.
//
// Alloc is different: it counts the allocations made through operator new
// (every form but the aligned ones) on the calling thread only, and the one
// armed fails by throwing std::bad_alloc (the errno is not used). Other
// threads of the program, and the test framework between two calls, never
// see it. Arm it immediately before the call under test and Reset() after.
#pragma once

namespace vorlane::platform::fault {

enum class Op {
    Open,   // opening or creating a file
    Read,   // a read call
    Write,  // a write call
    Rename, // rename and link
    Fsync,  // fsync / fdatasync of a file or directory
    Unlink, // unlink and rmdir
    Mkdir,  // mkdir
    Truncate,
    List,  // opening a directory to read its entries (ListDirectory, DirectoryReader)
    Stat,  // reading an entry's details by path (StatEntry)
    Alloc, // an allocation through operator new on the arming thread
    Count
};

#ifdef VORLANE_FAULT_INJECTION
// From now on the nth (1-based) call of op fails with errnoValue, once;
// when sticky, every call from the nth on fails. nth 0 disarms op.
void Arm(Op op, int nth, int errnoValue, bool sticky = false);
// Disarms every operation and zeroes the counters (of Alloc: the calling
// thread's).
void Reset();
// Counts one call of op; returns the errno it must fail with, or 0.
int Check(Op op);
// Calls of op since the last Reset (armed or not); Alloc: on this thread.
int Calls(Op op);

// Allocation failure on any thread, for code that allocates on worker
// threads it starts itself (the zip engine's compressors): from now on the
// nth allocation made by any thread throws std::bad_alloc, once. nth 0
// disarms; Reset() disarms too.
void ArmAllocAnyThread(long nth);
// True once that armed failure has happened.
bool AllocAnyThreadFired();

// Stalls: the nth (1-based, counted from now) call of op blocks inside the
// platform layer until ReleaseStall(), as a read from a hung network mount
// would; then it goes on normally. One stall at a time; Reset() releases
// it. Not for Alloc.
void ArmStall(Op op, int nth);
// Waits until a call is blocked in the armed stall; false after timeoutMs.
bool WaitForStall(int timeoutMs);
// Lets the stalled call (or the next one to reach the stall) go on.
void ReleaseStall();
#else
inline void Arm(Op, int, int, bool = false) {}
inline void Reset() {}
inline int Check(Op) {
    return 0;
}
inline int Calls(Op) {
    return 0;
}
inline void ArmAllocAnyThread(long) {}
inline bool AllocAnyThreadFired() {
    return false;
}
inline void ArmStall(Op, int) {}
inline bool WaitForStall(int) {
    return false;
}
inline void ReleaseStall() {}
#endif

} // namespace vorlane::platform::fault
