#include "platform/FaultInjection.h"

#ifdef VORLANE_FAULT_INJECTION

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <new>

namespace vorlane::platform::fault {

namespace {

struct Plan {
    int calls = 0;     // calls counted since the last Reset
    int armedAt = 0;   // call number (1-based, counted from arming) that fails; 0 = disarmed
    int countFrom = 0; // calls already made when the op was armed
    int errnoValue = 0;
    bool sticky = false;
};

constexpr size_t kOps = static_cast<size_t>(Op::Count);

std::mutex g_mutex;
std::array<Plan, kOps> g_plans;

// The allocation plan belongs to one thread: operator new reads it without
// a lock, and no other thread's allocations disturb a test's count.
thread_local Plan t_alloc;

// The allocation failure armed for every thread: allocations left before it
// (0: none armed), and whether it has happened.
std::atomic<long> g_anyThreadCountdown{0};
std::atomic<bool> g_anyThreadFired{false};

// The one armed stall: which op, at which call, and its state.
struct Stall {
    size_t op = kOps; // kOps: none armed
    int at = 0;       // call number (counted from arming) that blocks
    int countFrom = 0;
    bool blocked = false;  // a call is waiting in it
    bool released = false; // ReleaseStall() was called
};
Stall g_stall;
std::condition_variable g_stallChanged;

Plan* PlanOf(Op op) {
    size_t index = static_cast<size_t>(op);
    return index < kOps ? &g_plans[index] : nullptr;
}

// Counts one call against plan; the errno it must fail with, or 0.
int Count(Plan& plan) {
    ++plan.calls;
    if (plan.armedAt == 0)
        return 0;
    int sinceArmed = plan.calls - plan.countFrom;
    if (sinceArmed < plan.armedAt)
        return 0;
    if (sinceArmed == plan.armedAt || plan.sticky) {
        if (!plan.sticky)
            plan.armedAt = 0; // a one-shot fault fires once
        return plan.errnoValue;
    }
    return 0;
}

void ArmPlan(Plan& plan, int nth, int errnoValue, bool sticky) {
    plan.armedAt = nth > 0 ? nth : 0;
    plan.countFrom = plan.calls;
    plan.errnoValue = errnoValue;
    plan.sticky = sticky;
}

} // namespace

void Arm(Op op, int nth, int errnoValue, bool sticky) {
    if (op == Op::Alloc) {
        // Any nonzero value marks the failure; bad_alloc carries no errno.
        ArmPlan(t_alloc, nth, errnoValue != 0 ? errnoValue : 1, sticky);
        return;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    if (Plan* plan = PlanOf(op))
        ArmPlan(*plan, nth, errnoValue, sticky);
}

void Reset() {
    t_alloc = Plan{};
    g_anyThreadCountdown = 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_plans.fill(Plan{});
    g_stall.released = true;
    g_stall.op = kOps;
    g_stallChanged.notify_all();
}

void ArmStall(Op op, int nth) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    if (plan == nullptr || op == Op::Alloc || nth <= 0)
        return;
    g_stall = Stall{static_cast<size_t>(op), nth, plan->calls, false, false};
}

bool WaitForStall(int timeoutMs) {
    std::unique_lock<std::mutex> lock(g_mutex);
    return g_stallChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [] { return g_stall.blocked; });
}

void ReleaseStall() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stall.released = true;
    g_stallChanged.notify_all();
}

void ArmAllocAnyThread(long nth) {
    g_anyThreadFired = false;
    g_anyThreadCountdown = nth > 0 ? nth : 0;
}

bool AllocAnyThreadFired() {
    return g_anyThreadFired;
}

int Check(Op op) {
    if (op == Op::Alloc) {
        if (g_anyThreadCountdown.load(std::memory_order_relaxed) > 0 &&
            g_anyThreadCountdown.fetch_sub(1) == 1) {
            g_anyThreadFired = true;
            return 1;
        }
        return Count(t_alloc);
    }
    std::unique_lock<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    if (plan == nullptr)
        return 0;
    if (g_stall.op == static_cast<size_t>(op) &&
        plan->calls + 1 - g_stall.countFrom == g_stall.at) {
        // Blocks here, with the lock released, until the test lets it go.
        g_stall.blocked = true;
        g_stallChanged.notify_all();
        g_stallChanged.wait(lock, [] { return g_stall.released; });
        g_stall.blocked = false;
        g_stall.op = kOps;
    }
    return Count(*plan);
}

int Calls(Op op) {
    if (op == Op::Alloc)
        return t_alloc.calls;
    std::lock_guard<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    return plan ? plan->calls : 0;
}

} // namespace vorlane::platform::fault

// ---- the allocation seam ---------------------------------------------------
//
// The replaced operators count (and, when armed, fail) the allocation, then
// hand it to the definition the program would have used without them: the
// C++ library's, or the sanitizer's when one is loaded, so the sanitizer
// still pairs every new with its delete. The delete operators stay the
// library's.

namespace {

// The names below are the mangled operators of a 64-bit size_t.
static_assert(sizeof(std::size_t) == sizeof(unsigned long));

using NewFunction = void* (*)(std::size_t);
using NothrowNewFunction = void* (*)(std::size_t, const std::nothrow_t&) noexcept;

template <typename Function> Function NextDefinition(const char* symbol) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, symbol));
}

bool AllocationFails() {
    return vorlane::platform::fault::Check(vorlane::platform::fault::Op::Alloc) != 0;
}

// Without a next definition (a fully static program) the memory comes from
// malloc, which the library's delete releases with free.
void* AllocateWith(NewFunction next, std::size_t size) {
    if (next != nullptr)
        return next(size);
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* AllocateWith(NothrowNewFunction next, std::size_t size) noexcept {
    if (next != nullptr)
        return next(size, std::nothrow);
    return std::malloc(size != 0 ? size : 1);
}

} // namespace

void* operator new(std::size_t size) {
    if (AllocationFails())
        throw std::bad_alloc();
    static const NewFunction next = NextDefinition<NewFunction>("_Znwm");
    return AllocateWith(next, size);
}

void* operator new[](std::size_t size) {
    if (AllocationFails())
        throw std::bad_alloc();
    static const NewFunction next = NextDefinition<NewFunction>("_Znam");
    return AllocateWith(next, size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (AllocationFails())
        return nullptr;
    static const NothrowNewFunction next =
        NextDefinition<NothrowNewFunction>("_ZnwmRKSt9nothrow_t");
    return AllocateWith(next, size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (AllocationFails())
        return nullptr;
    static const NothrowNewFunction next =
        NextDefinition<NothrowNewFunction>("_ZnamRKSt9nothrow_t");
    return AllocateWith(next, size);
}

#endif // VORLANE_FAULT_INJECTION
