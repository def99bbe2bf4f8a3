// The optional call log: off by default, so the cost of a platform call is one atomic load.
#include "core/calllog.h"


namespace winport::detail {
CallLogState& call_log_state() {
    static auto* s = new CallLogState;
    return *s;
}

bool CallLogEnabled() { return call_log_state().enabled.load(std::memory_order_relaxed); }

void RecordCall(std::string entry) {
    CallLogState& s = call_log_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.entries.push_back(std::move(entry));
}

}  // namespace winport::detail
