// Fault injection by call count, shared by every family of winport.
#include "core/fault.h"

#include <winport/errors.h>

#include <cstring>
#include <mutex>

namespace winport::detail {
FaultState& fault_state() {
    static FaultState* s = new FaultState;
    return *s;
}

bool FaultPoint(const char* function) {
    FaultState& s = fault_state();
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
