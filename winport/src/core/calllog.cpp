// The optional call log: off by default, so the cost of a platform call is one atomic load.
#include "core/calllog.h"

#include <winport/testing.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace winport::detail {
namespace {
std::atomic<bool> g_enabled{false};
std::mutex g_mutex;
std::vector<std::string>& entries() {
    static auto* v = new std::vector<std::string>;
    return *v;
}
}  // namespace

bool CallLogEnabled() { return g_enabled.load(std::memory_order_relaxed); }

void RecordCall(std::string entry) {
    std::lock_guard<std::mutex> lock(g_mutex);
    entries().push_back(std::move(entry));
}

}  // namespace winport::detail

namespace winport::testing {

void StartCallLog() {
    std::lock_guard<std::mutex> lock(detail::g_mutex);
    detail::entries().clear();
    detail::g_enabled = true;
}

void StopCallLog() { detail::g_enabled = false; }

std::vector<std::string> CallLog() {
    std::lock_guard<std::mutex> lock(detail::g_mutex);
    return detail::entries();
}

}  // namespace winport::testing
