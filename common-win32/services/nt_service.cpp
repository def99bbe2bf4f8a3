// One named service as the lifecycle functions act on it.
#include "services/nt_service.h"

#include <common-win32/log.h>

#include "services/service_poll.h"

using namespace cw32::services;

namespace {

constexpr DWORD kStopRights = SERVICE_STOP | SERVICE_QUERY_STATUS;  // 0x24
// The quiet wait may sleep up to ten seconds between polls.
constexpr DWORD kLongestPoll = 10000;

}  // namespace

CNTService::CNTService(const wchar_t* name, boost::shared_ptr<ILogger> logger) : logger_(logger) {
    manager_.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    last_error_ = manager_ ? 0 : GetLastError();
    name_ = name;
}

CNTService::~CNTService() {
    service_.reset();
    manager_.reset();
    logger_.reset();
}

bool CNTService::EnsureAccess(DWORD rights) {
    if (!manager_) return false;
    if ((access_ & rights) == rights) return true;
    const DWORD wanted = access_ | rights;
    SC_HANDLE reopened = OpenServiceW(manager_.get(), name_.GetString(), wanted);
    if (reopened == nullptr) {
        last_error_ = GetLastError();
        return false;  // the handle held so far stays
    }
    service_.reset(reopened);
    access_ = wanted;
    return true;
}

bool CNTService::Stop() {
    if (!manager_ || name_.IsEmpty()) return false;
    if (!EnsureAccess(kStopRights)) return false;
    CString line;
    line.Format(L"Stopping Service '%s'", name_.GetString());
    LogMessage(logger_, line);
    SERVICE_STATUS status{};
    if (ControlService(service_.get(), SERVICE_CONTROL_STOP, &status)) return WaitForState(SERVICE_STOPPED);
    // A service that is not running is as stopped as it gets.
    return GetLastError() == ERROR_SERVICE_NOT_ACTIVE;
}

bool CNTService::Disable() {
    if (!manager_ || name_.IsEmpty()) return false;
    if (!EnsureAccess(SERVICE_CHANGE_CONFIG)) return false;
    CString line;
    line.Format(L"Disabling Service '%s'", name_.GetString());
    LogMessage(logger_, line);
    return ChangeServiceConfigW(service_.get(), SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

bool CNTService::WaitForState(DWORD desired) {
    SERVICE_STATUS status{};
    StatusPolls polls;
    for (;;) {
        // A failed query leaves the record as the last poll filled it, and that is judged.
        polls.Remember(status);
        const bool queried = QueryServiceStatus(service_.get(), &status) != FALSE;
        if (polls.Judge(status, desired) != PollVerdict::KeepWaiting) return true;
        const DWORD interval = PollInterval(status.dwWaitHint, kLongestPoll);
        Sleep(interval);
        polls.Slept(interval);
        if (!queried) return false;
    }
}
