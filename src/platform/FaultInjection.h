// A seam for tests: makes the Nth open, write, rename, fsync, ... done
// through the platform layer fail with a chosen errno, so every module can
// test disk-full, permission and crash paths deterministically.
//
// In builds without VORLANE_FAULT_INJECTION, Check() is an inline constant 0
// and the arming calls do nothing.
//
// Every platform wrapper that performs one of these operations calls
// fault::Check(op) first and fails with the returned errno when it is not 0.
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
    List, // opening a directory to read its entries (ListDirectory, DirectoryReader)
    Stat, // reading an entry's details by path (StatEntry)
    Count
};

#ifdef VORLANE_FAULT_INJECTION
// From now on the nth (1-based) call of op fails with errnoValue, once;
// when sticky, every call from the nth on fails. nth 0 disarms op.
void Arm(Op op, int nth, int errnoValue, bool sticky = false);
// Disarms every operation and zeroes the counters.
void Reset();
// Counts one call of op; returns the errno it must fail with, or 0.
int Check(Op op);
// Calls of op since the last Reset (armed or not).
int Calls(Op op);
#else
inline void Arm(Op, int, int, bool = false) {}
inline void Reset() {}
inline int Check(Op) {
    return 0;
}
inline int Calls(Op) {
    return 0;
}
#endif

} // namespace vorlane::platform::fault
