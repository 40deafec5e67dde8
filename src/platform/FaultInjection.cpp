#include "platform/FaultInjection.h"

#ifdef VORLANE_FAULT_INJECTION

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>

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

} // namespace

void Arm(Op op, int nth, int errnoValue, bool sticky) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    if (plan == nullptr)
        return;
    plan->armedAt = nth > 0 ? nth : 0;
    plan->countFrom = plan->calls;
    plan->errnoValue = errnoValue;
    plan->sticky = sticky;
}

void Reset() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_plans.fill(Plan{});
    g_stall.released = true;
    g_stall.op = kOps;
    g_stallChanged.notify_all();
}

void ArmStall(Op op, int nth) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    if (plan == nullptr || nth <= 0)
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

int Check(Op op) {
    std::unique_lock<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    if (plan == nullptr)
        return 0;
    ++plan->calls;
    if (g_stall.op == static_cast<size_t>(op) && plan->calls - g_stall.countFrom == g_stall.at) {
        // Blocks here, with the lock released, until the test lets it go.
        g_stall.blocked = true;
        g_stallChanged.notify_all();
        g_stallChanged.wait(lock, [] { return g_stall.released; });
        g_stall.blocked = false;
        g_stall.op = kOps;
    }
    if (plan->armedAt == 0)
        return 0;
    int sinceArmed = plan->calls - plan->countFrom;
    if (sinceArmed < plan->armedAt)
        return 0;
    if (sinceArmed == plan->armedAt || plan->sticky) {
        if (!plan->sticky)
            plan->armedAt = 0; // a one-shot fault fires once
        return plan->errnoValue;
    }
    return 0;
}

int Calls(Op op) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Plan* plan = PlanOf(op);
    return plan ? plan->calls : 0;
}

} // namespace vorlane::platform::fault

#endif // VORLANE_FAULT_INJECTION
