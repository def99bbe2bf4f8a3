// Fault injection by call count, shared by every family of winport.
#include "core/fault.h"

#include <winport/errors.h>
#include <winport/testing.h>

#include <cstring>
#include <mutex>
#include <string>

namespace winport::detail {
namespace {

struct FaultState {
    std::mutex mutex;
    unsigned armed_at = 0;  // 0: disarmed
    DWORD error = 0;
    std::string only;       // empty: any function
    unsigned passed = 0;
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
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.only.empty() && s.only != function) return false;
    ++s.passed;
    if (s.armed_at == 0 || s.fired || s.passed != s.armed_at) return false;
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
}

void DisarmFaults() { FailNthCall(0, 0, nullptr); }

unsigned FaultPointsPassed() {
    auto& s = detail::state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.passed;
}

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
