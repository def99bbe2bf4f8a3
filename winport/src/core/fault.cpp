// Fault injection by call count, shared by every family of winport.
#include "core/fault.h"

#include <winport/errors.h>
#include <winport/testing.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

namespace winport::detail {
namespace {

struct FaultState {
    std::mutex mutex;
    // Disarmed and counting every function: the state of every call outside a fault test,
    // which then only counts, without the lock.
    std::atomic<bool> counting_only{true};
    std::atomic<unsigned> passed{0};
    unsigned armed_at = 0;  // 0: disarmed
    DWORD error = 0;
    std::string only;       // empty: any function
    bool fired = false;
    std::string fired_in;
};

FaultState& state() {
    static FaultState* s = new FaultState;
    return *s;
}

}  // namespace

bool FaultPoint(const char* function) {
    FaultState& s = state();
    if (s.counting_only.load(std::memory_order_acquire)) {
        s.passed.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.only.empty() && s.only != function) return false;
    const unsigned passed = ++s.passed;
    if (s.armed_at == 0 || s.fired || passed != s.armed_at) return false;
    s.fired = true;
    s.fired_in = function;
    SetLastError(s.error);
    return true;
}

}  // namespace winport::detail

namespace winport::testing {

void FailNthCall(unsigned n, DWORD error, const char* function) {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.armed_at = n;
    s.error = error;
    s.only = function ? function : "";
    s.passed = 0;
    s.fired = false;
    s.fired_in.clear();
    s.counting_only.store(n == 0 && s.only.empty(), std::memory_order_release);
}

void DisarmFaults() { FailNthCall(0, 0, nullptr); }

unsigned FaultPointsPassed() { return detail::state().passed.load(); }

bool FaultFired() {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fired;
}

std::string FaultedFunction() {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fired_in;
}

}  // namespace winport::testing
