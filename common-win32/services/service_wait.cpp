// The logged wait that follows a start or stop request.
#include "services/service_wait.h"

#include <common-win32/log.h>
#include <common-win32/services.h>

#include "services/service_lines.h"
#include "services/service_poll.h"

#include <algorithm>

namespace cw32::services {
namespace {

// The logged poll never sleeps longer than five seconds at a time.
constexpr DWORD kLongestPoll = 5000;

}  // namespace

int WaitForRequestedState(SC_HANDLE service, const wchar_t* name, DWORD expected, unsigned long deadline_ms,
                          const boost::shared_ptr<ILogger>& logger) {
    SERVICE_STATUS status{};
    StatusPolls polls;
    unsigned long long slept = 0;  // the whole wait, for the deadline
    if (!QueryServiceStatus(service, &status)) {
        LogStatusQueryFailed(logger, name);
        return 0;
    }
    for (;;) {
        LogServiceStatus(logger, name, status);
        CString line;
        switch (polls.Judge(status, expected)) {
        case PollVerdict::Stalled:
            line.Format(L"ChangeService: Service: %s: check point was not updated for %d seconds", name,
                        static_cast<int>(StallLimit(status.dwWaitHint) / 1000));
            LogMessage(logger, line);
            return 0;
        case PollVerdict::WrongStateHeld:
            line.Format(L"ChangeService: Service: %s: invalid state. Expecting: %s, Got: %s", name,
                        ServiceStateToString(expected).GetString(),
                        ServiceStateToString(status.dwCurrentState).GetString());
            LogNtServiceError(line, logger);
            return 0;
        case PollVerdict::Reached:
            line.Format(L"Expected Service Status %s reached", ServiceStateToString(expected).GetString());
            LogMessage(logger, line);
            return 1;
        case PollVerdict::KeepWaiting:
            break;
        }
        // A service that keeps moving its check point is waited for without limit unless the
        // caller gave a deadline; the last sleep is cut so the final poll falls on it.
        DWORD interval = PollInterval(status.dwWaitHint, kLongestPoll);
        if (deadline_ms != 0) {
            if (slept >= deadline_ms) {
                line.Format(L"ChangeService: Service: %s: still not %s after the deadline of %d ms; giving up", name,
                            ServiceStateToString(expected).GetString(), static_cast<int>(deadline_ms));
                LogMessage(logger, line);
                return 0;
            }
            interval = static_cast<DWORD>(std::min<unsigned long long>(interval, deadline_ms - slept));
        }
        Sleep(interval);
        polls.Slept(interval);
        slept += interval;
        polls.Remember(status);
        if (!QueryServiceStatus(service, &status)) {
            LogStatusQueryFailed(logger, name);
            return 0;
        }
    }
}

}  // namespace cw32::services
