// How the library follows a service's status reports while it waits for a start or a stop:
// which states are on their way to another, how long to sleep between polls, and the judgement
// of one poll. Shared by the logged wait of ControlNTService and the quiet one of CNTService.
#pragma once

#include "common-win32/platform.h"

namespace cw32::services {

// START_PENDING, STOP_PENDING, CONTINUE_PENDING and PAUSE_PENDING; any other code (7 and
// above included) is a state the service stays in.
inline bool IsPendingState(DWORD state) {
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING || state == SERVICE_CONTINUE_PENDING ||
           state == SERVICE_PAUSE_PENDING;
}

// A tenth of the service's own estimate of its step, held between one second and `upper` ms.
inline DWORD PollInterval(DWORD wait_hint, DWORD upper) {
    const DWORD tenth = wait_hint / 10;
    return tenth < 1000 ? 1000 : (tenth > upper ? upper : tenth);
}

// A pending service must move its check point within twice its wait hint. The product is
// taken in 32 bits, as the control manager's fields are, so a huge hint wraps.
inline DWORD StallLimit(DWORD wait_hint) { return static_cast<DWORD>(wait_hint * 2u); }

enum class PollVerdict {
    KeepWaiting,     // sleep and poll again
    Reached,         // the state that was asked for
    Stalled,         // pending, but the check point has not moved for twice the wait hint
    WrongStateHeld,  // a state that is not pending and not wanted, seen on two polls running
};

// One wait, poll by poll. The first poll is never judged: the service has only just been
// asked. After it, a state that is neither pending nor wanted is tolerated for one poll only.
class StatusPolls {
public:
    PollVerdict Judge(const SERVICE_STATUS& status, DWORD wanted) {
        if (first_) {
            first_ = false;
        } else if (IsPendingState(status.dwCurrentState)) {
            if (status.dwCheckPoint != previous_check_point_)
                waited_ = 0;
            else if (waited_ >= StallLimit(status.dwWaitHint))
                return PollVerdict::Stalled;
        } else if (status.dwCurrentState == previous_state_) {
            return PollVerdict::WrongStateHeld;
        }
        return status.dwCurrentState == wanted ? PollVerdict::Reached : PollVerdict::KeepWaiting;
    }
    // Counts a sleep towards the stall limit (the time spent in the queries does not count).
    void Slept(DWORD ms) { waited_ += ms; }
    // Keeps a poll's check point and state as the ones the next poll is compared with.
    void Remember(const SERVICE_STATUS& status) {
        previous_check_point_ = status.dwCheckPoint;
        previous_state_ = status.dwCurrentState;
    }

private:
    bool first_ = true;
    DWORD waited_ = 0;  // slept since the check point last moved
    DWORD previous_check_point_ = 0, previous_state_ = 0;
};

}  // namespace cw32::services
