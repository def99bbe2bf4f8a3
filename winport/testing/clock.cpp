// Clock seams: switch to the virtual clock, move it, and read the sleeps it recorded.
#include "core/clock.h"

#include <winport/testing.h>

namespace winport::testing {

void UseVirtualClock(std::int64_t start_unix_ms) {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.is_virtual = true;
    s.virtual_unix_ms = start_unix_ms;
    s.virtual_mono_ms = 1000000;  // a boot some time ago, so tick arithmetic never starts at 0
    s.sleeps.clear();
}

void UseRealClock() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.is_virtual = false;
    s.sleeps.clear();
}

bool VirtualClockActive() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.is_virtual;
}

void AdvanceVirtualClock(std::int64_t ms) {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.virtual_unix_ms += ms;
    s.virtual_mono_ms += static_cast<std::uint64_t>(ms);
}

std::vector<DWORD> RecordedSleeps() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.sleeps;
}

void ClearRecordedSleeps() {
    auto& s = detail::clock_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sleeps.clear();
}

}  // namespace winport::testing
