// Call log seams: record the platform calls of an operation with their key arguments.
#include "core/calllog.h"

#include <winport/testing.h>

namespace winport::testing {

void StartCallLog() {
    auto& s = detail::call_log_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.entries.clear();
    s.enabled = true;
}

void StopCallLog() { detail::call_log_state().enabled = false; }

std::vector<std::string> CallLog() {
    auto& s = detail::call_log_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.entries;
}

}  // namespace winport::testing
