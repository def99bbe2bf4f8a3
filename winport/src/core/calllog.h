// The optional record of platform calls with their key arguments (access masks, flags).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace winport::detail {

struct CallLogState {
    std::atomic<bool> enabled{false};
    std::mutex mutex;
    std::vector<std::string> entries;
};
CallLogState& call_log_state();

bool CallLogEnabled();
void RecordCall(std::string entry);

// Records "function(details)" only when the log is on; details are built lazily.
template <class MakeDetails>
void LogCall(const char* function, MakeDetails&& make_details) {
    if (CallLogEnabled()) RecordCall(std::string(function) + "(" + make_details() + ")");
}

}  // namespace winport::detail
