// Scripted services: per-process answer lists for QueryServiceStatus, and chosen results for
// StartServiceW and ControlService, keyed by the service's case-folded name.
#include "scm/scm_script.h"
#include "scm/scm_store.h"

#include <winport/errors.h>
#include <winport/testing.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace winport::detail::scm {
namespace {

struct Script {
    std::vector<testing::ScriptedStatus> answers;
    std::size_t answered = 0;
    DWORD start_error = 0, control_error = 0;
};

struct Scripts {
    std::mutex mutex;
    std::map<std::wstring, Script> by_name;
};

Scripts& scripts() {
    static auto* s = new Scripts;
    return *s;
}

// The answer the next query gives: the list in order, its last one repeating.
const testing::ScriptedStatus& Next(const Script& script) {
    static const testing::ScriptedStatus none{};
    if (script.answers.empty()) return none;
    return script.answers[std::min(script.answered, script.answers.size() - 1)];
}

void Fill(const testing::ScriptedStatus& answer, SERVICE_STATUS* status) {
    *status = SERVICE_STATUS{};
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = answer.state;
    status->dwCheckPoint = answer.check_point;
    status->dwWaitHint = answer.wait_hint;
}

}  // namespace

std::optional<BOOL> ScriptedQuery(const std::wstring& folded, SERVICE_STATUS* status) {
    Scripts& s = scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.by_name.find(folded);
    if (found == s.by_name.end()) return std::nullopt;
    const testing::ScriptedStatus answer = Next(found->second);
    ++found->second.answered;
    if (answer.error != 0) {
        SetLastError(answer.error);
        return FALSE;
    }
    Fill(answer, status);
    return TRUE;
}

std::optional<DWORD> ScriptedState(const std::wstring& folded) {
    Scripts& s = scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.by_name.find(folded);
    if (found == s.by_name.end()) return std::nullopt;
    return Next(found->second).state;
}

std::optional<BOOL> ScriptedStart(const std::wstring& folded) {
    Scripts& s = scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.by_name.find(folded);
    if (found == s.by_name.end()) return std::nullopt;
    if (found->second.start_error != 0) {
        SetLastError(found->second.start_error);
        return FALSE;
    }
    return TRUE;
}

std::optional<BOOL> ScriptedControl(const std::wstring& folded, DWORD, SERVICE_STATUS* status) {
    Scripts& s = scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.by_name.find(folded);
    if (found == s.by_name.end()) return std::nullopt;
    if (found->second.control_error != 0) {
        SetLastError(found->second.control_error);
        return FALSE;
    }
    Fill(Next(found->second), status);
    return TRUE;
}

}  // namespace winport::detail::scm

namespace winport::testing {

void ScriptService(const wchar_t* name, std::vector<ScriptedStatus> answers, DWORD start_error, DWORD control_error) {
    auto& s = detail::scm::scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.by_name[detail::scm::Folded(name)] = {std::move(answers), 0, start_error, control_error};
}

void ClearScriptedServices() {
    auto& s = detail::scm::scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.by_name.clear();
}

std::size_t ScriptedQueriesAnswered(const wchar_t* name) {
    auto& s = detail::scm::scripts();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.by_name.find(detail::scm::Folded(name));
    return found == s.by_name.end() ? 0 : found->second.answered;
}

}  // namespace winport::testing
