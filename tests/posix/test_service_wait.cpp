// The service waits, poll by poll, against scripted status answers and the virtual clock:
// ControlNTService's request phase and logged wait (with ControlNTServiceEx's deadline), and
// the quiet wait of the service object behind DisableNTService. Every row checks the platform
// calls and the host's lines in the order they happened, and the sleeps taken.
#include "scripted_service_fixture.h"
#include "support/service_runs.h"

#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

constexpr const wchar_t* kName = L"cw32-wait";
constexpr DWORD kPriorError = 1234;  // the last error before the call: logged, never reset

wt::ScriptedStatus S(DWORD state, DWORD check_point = 0, DWORD hint = 0) { return {state, check_point, hint, 0}; }
wt::ScriptedStatus Fails(DWORD error) { return {0, 0, 0, error}; }

// `first`, then a pending START_PENDING answer for each check point from 1 to `count` (hint 0),
// then `last`.
std::vector<wt::ScriptedStatus> Rising(wt::ScriptedStatus first, DWORD count, wt::ScriptedStatus last) {
    std::vector<wt::ScriptedStatus> answers{first};
    for (DWORD point = 1; point <= count; ++point) answers.push_back(S(SERVICE_START_PENDING, point));
    answers.push_back(last);
    return answers;
}

std::vector<DWORD> Repeat(DWORD ms, std::size_t times) { return std::vector<DWORD>(times, ms); }

const std::string kManager = "OpenSCManagerW(access=1)", kOpenStart = "OpenServiceW(cw32-wait access=20)",
                  kOpenStop = "OpenServiceW(cw32-wait access=36)", kQuery = "QueryServiceStatus()",
                  kStart = "StartServiceW(args=0)", kStop = "ControlService(control=1)",
                  kCloseService = "CloseServiceHandle(service)", kCloseManager = "CloseServiceHandle(manager)";

std::string Status(int check_point, const std::string& state, int hint) {
    return "# QueryServiceStatus: Service: cw32-wait: CheckPoint: " + std::to_string(check_point) + ", State: " + state +
           ", Hint: " + std::to_string(hint);
}
std::string Exiting(int result) { return "# ControlService function exiting (" + std::to_string(result) + ")"; }
std::string Stalled(int seconds) {
    return "# ChangeService: Service: cw32-wait: check point was not updated for " + std::to_string(seconds) + " seconds";
}
std::string Invalid(const std::string& expected, const std::string& got) {
    return "# ntservice Error: ChangeService: Service: cw32-wait: invalid state. Expecting: " + expected + ", Got: " + got;
}

struct WaitCase {
    const char* what;
    bool start;
    std::vector<wt::ScriptedStatus> answers;
    DWORD start_error, control_error;
    unsigned long deadline_ms;  // 0: through ControlNTService itself
    int result;
    std::vector<DWORD> sleeps;
    bool whole;  // `transcript` is the whole transcript, else its end
    std::vector<std::string> transcript;
};

std::vector<WaitCase> WaitCases() {
    const std::string running = "SERVICE_RUNNING", stopped = "SERVICE_STOPPED", starting = "SERVICE_START_PENDING",
                      stopping = "SERVICE_STOP_PENDING";
    const std::string attempt_start = "# Attempting to start Service cw32-wait",
                      expect_running = "# Expecting SERVICE_RUNNING", expect_stopped = "# Expecting SERVICE_STOPPED",
                      reached_running = "# Expected Service Status SERVICE_RUNNING reached";
    const std::string pending_error = "# ntservice Error: Service is in pending state, unable to control service, exiting...";
    return {
        // ---- the request phase
        {"start of a running service", true, {S(4)}, 0, 0, 0, 1, {}, true,
         {kManager, kOpenStart, kQuery, "# Service cw32-wait already running, ignoring request...", kCloseService,
          kCloseManager}},
        {"stop of a stopped service", false, {S(1)}, 0, 0, 0, 1, {}, true,
         {kManager, kOpenStop, kQuery, "# Service cw32-wait already stopped, ignoring request...", kCloseService,
          kCloseManager}},
        {"start of a stopping service", true, {S(3, 5, 7000)}, 0, 0, 0, 0, {}, true,
         {kManager, kOpenStart, kQuery, Status(5, stopping, 7000), pending_error, kCloseService, kCloseManager}},
        {"stop of a pausing service", false, {S(6, 1, 0)}, 0, 0, 0, 0, {}, true,
         {kManager, kOpenStop, kQuery, Status(1, "SERVICE_PAUSE_PENDING", 0), pending_error, kCloseService,
          kCloseManager}},
        {"stop of a continuing service", false, {S(5, 2, 0)}, 0, 0, 0, 0, {}, false,
         {Status(2, "SERVICE_CONTINUE_PENDING", 0), pending_error, kCloseService, kCloseManager}},
        {"start refused", true, {S(1)}, 1058, 0, 0, 0, {}, true,
         {kManager, kOpenStart, kQuery, attempt_start, kStart, kCloseManager, kCloseService,
          "# ntservice Error: StartService function failed"}},
        {"stop refused", false, {S(4)}, 0, 1051, 0, 0, {}, true,
         {kManager, kOpenStop, kQuery,
          "# Attempting to stop Service cw32-wait, current status is 4, existing error code: 1234", kStop,
          "# ntservice Error: ControlService with SERVICE_CONTROL_STOP parameter failed.  ControlService error code: 1051",
          kCloseManager, kCloseService}},
        // A first query that fails leaves state 0: the request is sent, the stop line shows it.
        {"first query fails before a start", true, {Fails(5), S(4)}, 0, 0, 0, 1, {}, true,
         {kManager, kOpenStart, kQuery, "# ChangeService: Service: cw32-wait: QueryServiceStatus failed 5", attempt_start,
          kStart, expect_running, kQuery, Status(0, running, 0), reached_running, kCloseService, kCloseManager,
          Exiting(1)}},
        {"first query fails before a stop", false, {Fails(5), S(1)}, 0, 0, 0, 1, {}, true,
         {kManager, kOpenStop, kQuery, "# ChangeService: Service: cw32-wait: QueryServiceStatus failed 5",
          "# Attempting to stop Service cw32-wait, current status is 0, existing error code: 5", kStop, expect_stopped,
          kQuery, Status(0, stopped, 0), "# Expected Service Status SERVICE_STOPPED reached", kCloseService,
          kCloseManager, Exiting(1)}},
        // ---- the wait
        {"stop through moving check points", false, {S(4), S(3, 1, 0), S(3, 2, 0), S(1)}, 0, 0, 0, 1, {1000, 1000}, true,
         {kManager, kOpenStop, kQuery,
          "# Attempting to stop Service cw32-wait, current status is 4, existing error code: 1234", kStop, expect_stopped,
          kQuery, Status(1, stopping, 0), kQuery, Status(2, stopping, 0), kQuery, Status(0, stopped, 0),
          "# Expected Service Status SERVICE_STOPPED reached", kCloseService, kCloseManager, Exiting(1)}},
        {"running at the first poll, without a sleep", true, {S(1), S(4)}, 0, 0, 0, 1, {}, true,
         {kManager, kOpenStart, kQuery, attempt_start, kStart, expect_running, kQuery, Status(0, running, 0),
          reached_running, kCloseService, kCloseManager, Exiting(1)}},
        {"hint 0: stalled at the second poll", true, {S(1), S(2)}, 0, 0, 0, 0, {1000}, false,
         {kQuery, Status(0, starting, 0), kQuery, Status(0, starting, 0), Stalled(0), kCloseService, kCloseManager,
          Exiting(0)}},
        // Twenty sleeps of 3000 ms: the stall is seen at 60000 ms slept, not one poll before.
        {"hint 30000", true, {S(1), S(2, 7, 30000)}, 0, 0, 0, 0, Repeat(3000, 20), false,
         {Status(7, starting, 30000), Stalled(60), kCloseService, kCloseManager, Exiting(0)}},
        {"hint 100000: the 5000 ms bound", true, {S(1), S(2, 7, 100000)}, 0, 0, 0, 0, Repeat(5000, 40), false,
         {Status(7, starting, 100000), Stalled(200), kCloseService, kCloseManager, Exiting(0)}},
        // With hint 0 an unmoved check point would stall at once: each rise restarts the count.
        {"a rising check point keeps the wait alive", true, Rising(S(1), 300, S(4)), 0, 0, 0, 1, Repeat(1000, 300),
         false, {Status(300, starting, 0), kQuery, Status(0, running, 0), reached_running, kCloseService, kCloseManager,
                 Exiting(1)}},
        {"a wrong state is tolerated for one poll", true, {S(1), S(7), S(1), S(4)}, 0, 0, 0, 1, {1000, 1000}, false,
         {kQuery, Status(0, "SERVICE_PAUSED", 0), kQuery, Status(0, stopped, 0), kQuery, Status(0, running, 0),
          reached_running, kCloseService, kCloseManager, Exiting(1)}},
        {"a wrong state held for two polls", true, {S(1), S(1)}, 0, 0, 0, 0, {1000}, false,
         {kQuery, Status(0, stopped, 0), kQuery, Status(0, stopped, 0), Invalid(running, stopped), kCloseService,
          kCloseManager, Exiting(0)}},
        {"paused after pending, twice", false, {S(4), S(3, 1, 0), S(7), S(7)}, 0, 0, 0, 0, {1000, 1000}, false,
         {Status(0, "SERVICE_PAUSED", 0), Invalid(stopped, "SERVICE_PAUSED"), kCloseService, kCloseManager, Exiting(0)}},
        // 9 is not pending: held twice it is a wrong state, not a stall.
        {"a state above 7", true, {S(1), S(9), S(9)}, 0, 0, 0, 0, {1000}, false,
         {Status(0, "Unknown State", 0), kQuery, Status(0, "Unknown State", 0), Invalid(running, "Unknown State"), kCloseService,
          kCloseManager, Exiting(0)}},
        {"the first poll fails", true, {S(1), Fails(6)}, 0, 0, 0, 0, {}, false,
         {kStart, expect_running, kQuery, "# ChangeService: Service: cw32-wait: QueryServiceStatus failed 6",
          kCloseService, kCloseManager, Exiting(0)}},
        {"a later poll fails", true, {S(1), S(2, 1, 0), Fails(1053)}, 0, 0, 0, 0, {1000}, false,
         {Status(1, starting, 0), kQuery, "# ChangeService: Service: cw32-wait: QueryServiceStatus failed 1053",
          kCloseService, kCloseManager, Exiting(0)}},
        // ---- the deadline: the last sleep is cut to end on it, and the poll there is judged
        {"a deadline ends a moving wait", true, Rising(S(1), 100, S(4)), 0, 0, 4500, 0, {1000, 1000, 1000, 1000, 500},
         false,
         {Status(6, starting, 0),
          "# ChangeService: Service: cw32-wait: still not SERVICE_RUNNING after the deadline of 4500 ms; giving up",
          kCloseService, kCloseManager, Exiting(0)}},
        {"reached on the deadline's poll", true, Rising(S(1), 2, S(4)), 0, 0, 2000, 1, {1000, 1000}, false,
         {Status(0, running, 0), reached_running, kCloseService, kCloseManager, Exiting(1)}},
    };
}

class ServiceWait : public cw32test::ScriptedServiceTest {};

TEST_F(ServiceWait, EachPollIsJudgedInTurn) {
    Install(kName);
    for (const WaitCase& c : WaitCases()) {
        SCOPED_TRACE(c.what);
        wt::ScriptService(kName, c.answers, c.start_error, c.control_error);
        wt::ClearRecordedSleeps();
        const std::size_t handles = wt::LiveHandles();
        Transcript transcript;
        SetLastError(kPriorError);
        const int result = c.deadline_ms == 0 ? ControlNTService(kName, c.start, transcript.logger())
                                              : ControlNTServiceEx(kName, c.start, c.deadline_ms, transcript.logger());
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(wt::RecordedSleeps(), c.sleeps);
        EXPECT_EQ(wt::LiveHandles(), handles);
        std::vector<std::string> seen = transcript.Done();
        if (!c.whole && seen.size() > c.transcript.size()) seen.erase(seen.begin(), seen.end() - c.transcript.size());
        EXPECT_EQ(seen, c.transcript);
        for (const cw32test::LogLine& line : transcript.host->lines) {
            EXPECT_EQ(line.level, 2);
            EXPECT_TRUE(cw32test::HasStamp(line.text)) << std::string(line.text.begin(), line.text.end());
        }
    }
}

// ---- DisableNTService through the service object --------------------------------------------

struct DisableCase {
    const char* what;
    const wchar_t* name;
    std::vector<wt::ScriptedStatus> answers;
    DWORD control_error;
    bool result;
    std::vector<DWORD> sleeps;
    std::vector<std::string> ending;  // the end of the transcript
};

std::vector<DisableCase> DisableCases() {
    // The stop's 0x24 handle is replaced by one with 0x26 for the change, then both go.
    const std::vector<std::string> disabled = {
        "# [DiableQRLNNTServices] disable service [cw32-wait]", "OpenServiceW(cw32-wait access=38)", kCloseService,
        "# Disabling Service 'cw32-wait'", "ChangeServiceConfigW(type=4294967295 start=4 path=(null))", kCloseService,
        kCloseManager};
    const std::vector<std::string> not_stopped = {"# [DiableQRLNNTServices] fail to stop [0]", kCloseService,
                                                  kCloseManager};
    return {
        {"not running: 1062 counts as stopped", kName, {S(4)}, ERROR_SERVICE_NOT_ACTIVE, true, {},
         {"OpenSCManagerW(access=983103)", "# [DiableQRLNNTServices] stop service [cw32-wait]",
          "OpenServiceW(cw32-wait access=36)", "# Stopping Service 'cw32-wait'", kStop, disabled[0], disabled[1],
          disabled[2], disabled[3], disabled[4], disabled[5], disabled[6]}},
        {"stopped after pending polls", kName, {S(3, 1, 0), S(3, 2, 0), S(1)}, 0, true, {1000, 1000}, disabled},
        // 200000 ms: twenty-second tenths held to ten seconds; the stall ends the wait with true.
        {"a stalled stop still counts", kName, {S(3, 4, 200000)}, 0, true, Repeat(10000, 40), disabled},
        {"a state that holds ends the wait", kName, {S(4), S(4)}, 0, true, {1000}, disabled},
        {"a failed query fails the stop", kName, {S(3, 1, 30000), Fails(5)}, 0, false, {3000, 3000}, not_stopped},
        {"a first query that fails", kName, {Fails(5)}, 0, false, {1000}, not_stopped},
        {"the stop control refused", kName, {S(4)}, 1051, false, {}, {kStop, not_stopped[0], not_stopped[1],
                                                                         not_stopped[2]}},
        {"no such service", L"cw32-none", {}, 0, false, {},
         {"OpenServiceW(cw32-none access=36)", "# [DiableQRLNNTServices] fail to stop [1060]", kCloseManager}},
    };
}

TEST_F(ServiceWait, DisableStopsThroughTheObjectThenChangesTheStartType) {
    Install(kName);
    for (const DisableCase& c : DisableCases()) {
        SCOPED_TRACE(c.what);
        if (!c.answers.empty()) wt::ScriptService(c.name, c.answers, 0, c.control_error);
        {
            SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
            SC_HANDLE service = OpenServiceW(manager, kName, SERVICE_CHANGE_CONFIG);
            ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
            CloseServiceHandle(service);
            CloseServiceHandle(manager);
        }
        wt::ClearRecordedSleeps();
        const std::size_t handles = wt::LiveHandles();
        Transcript transcript;
        EXPECT_EQ(DisableNTService(transcript.logger(), c.name), c.result);
        EXPECT_EQ(wt::RecordedSleeps(), c.sleeps);
        EXPECT_EQ(wt::LiveHandles(), handles);
        std::vector<std::string> seen = transcript.Done();
        if (seen.size() > c.ending.size()) seen.erase(seen.begin(), seen.end() - c.ending.size());
        EXPECT_EQ(seen, c.ending);
        EXPECT_EQ(cw32test::StartType(kName), static_cast<DWORD>(c.result ? SERVICE_DISABLED : SERVICE_DEMAND_START));
    }
}

}  // namespace
