#include "AllocationSeam.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace vorlane::zip::testing {

namespace {

std::atomic<long> g_countdown{0}; // allocations left before the failure; 0: none armed
std::atomic<bool> g_failed{false};
std::atomic<long long> g_liveBytes{0};

void* Allocate(std::size_t size) {
    if (g_countdown.load(std::memory_order_relaxed) > 0 && g_countdown.fetch_sub(1) == 1) {
        g_failed = true;
        throw std::bad_alloc();
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    g_liveBytes.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr)
        return;
    g_liveBytes.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

} // namespace

void FailNthAllocation(long nth) {
    g_failed = false;
    g_countdown = nth > 0 ? nth : 0;
}

bool AllocationFailed() {
    return g_failed;
}

long long LiveHeapBytes() {
    return g_liveBytes;
}

} // namespace vorlane::zip::testing

using vorlane::zip::testing::Allocate;
using vorlane::zip::testing::Release;

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
