// Fault injection seams: arm the nth fault point, and report what fired.
#include "core/fault.h"

#include <winport/testing.h>

namespace winport::testing {

void FailNthCall(unsigned n, DWORD error, const char* function) {
    auto& s = detail::fault_state();
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

unsigned FaultPointsPassed() { return detail::fault_state().passed.load(); }

bool FaultFired() {
    auto& s = detail::fault_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fired;
}

std::string FaultedFunction() {
    auto& s = detail::fault_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fired_in;
}

}  // namespace winport::testing
