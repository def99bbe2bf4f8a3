// winport's control manager with real service processes: crashes at any point leave a status
// that tells the truth, refused starts give Windows' codes, dependencies start first and hold
// their stop, and a lock holder that dies frees the lock. Each test has a state folder of its own.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "support/scoped_env.h"
#include "support/service_runs.h"
#include "support/test_programs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace wt = winport::testing;

namespace {

const char kCallerVariable[] = "CW32_SCM_CALLER";  // what the caller does: "lock" or "start NAME"
const char kCallerPipeVariable[] = "CW32_SCM_CALLER_PIPE";

// Runs before GoogleTest when this program was started as a caller to be killed in the middle
// of a call: it says through the pipe that it is about to make the call, and makes it.
const bool g_is_caller = [] {
    const char* what = std::getenv(kCallerVariable);
    if (what == nullptr) return false;
    const int pipe = std::atoi(std::getenv(kCallerPipeVariable));
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) _exit(3);
    if (std::string(what) == "lock") {
        if (LockServiceDatabase(manager) == nullptr || write(pipe, "l", 1) != 1) _exit(4);
        for (;;) pause();
    }
    const std::string name = std::string(what).substr(std::string("start ").size());
    SC_HANDLE service = OpenServiceW(manager, std::wstring(name.begin(), name.end()).c_str(), SERVICE_START);
    if (service == nullptr || write(pipe, "s", 1) != 1) _exit(5);
    StartServiceW(service, 0, nullptr);  // waits for a program that never connects
    _exit(6);
}();

class ScmRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string root = std::string(std::getenv("WINPORT_ROOT")) + "/" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(mkdir(root.c_str(), 0700), 0);
        setenv("WINPORT_ROOT", root.c_str(), 1);
        wt::ResetStore();
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr);
    }
    void TearDown() override {
        // Whatever a failed test left running goes with the test.
        for (const std::wstring& name : names_)
            if (const std::int64_t pid = wt::ServiceProcessId(name.c_str())) kill(static_cast<pid_t>(-pid), SIGKILL);
        for (SC_HANDLE service : services_) CloseServiceHandle(service);
        CloseServiceHandle(manager_);
        env_.Restore();
        wt::ResetStore();
    }
    SC_HANDLE Create(const wchar_t* name, const std::wstring& command_line, const wchar_t* dependencies = nullptr,
                     DWORD start_type = SERVICE_DEMAND_START) {
        SC_HANDLE service = CreateServiceW(manager_, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                           start_type, SERVICE_ERROR_NORMAL, command_line.c_str(), nullptr, nullptr,
                                           dependencies, nullptr, nullptr);
        EXPECT_NE(service, nullptr) << GetLastError();
        names_.push_back(name);
        services_.push_back(service);
        return service;
    }
    static void Stop(SC_HANDLE service) {
        SERVICE_STATUS status{};
        EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
        EXPECT_EQ(cw32test::WaitForState(service, SERVICE_STOPPED).dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    }
    cw32test::ScopedEnv env_{"WINPORT_ROOT", "WINPORT_SCM_START_TIMEOUT_MS"};
    SC_HANDLE manager_ = nullptr;
    std::vector<std::wstring> names_;
    std::vector<SC_HANDLE> services_;
};

TEST_F(ScmRuntime, AServiceKilledWhilePendingIsStoppedWith1067AndStartsAgain) {
    struct Case {
        const wchar_t* name;
        const wchar_t* arguments;
        DWORD state, check_point;  // where it stalls
    };
    for (const Case& c : {Case{L"cw32-killed-starting", L"--stall start", SERVICE_START_PENDING, 1},
                          Case{L"cw32-killed-stopping", L"--stall stop", SERVICE_STOP_PENDING, 2}}) {
        SCOPED_TRACE(testing::Message() << c.arguments);
        SC_HANDLE service = Create(c.name, cw32test::DemoService(c.arguments));
        SERVICE_STATUS status{};
        if (c.state == SERVICE_STOP_PENDING) {
            cw32test::StartToRunning(service);
            EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
        } else {
            ASSERT_TRUE(StartServiceW(service, 0, nullptr)) << GetLastError();
        }
        status = cw32test::WaitForStatus(service, [&](const SERVICE_STATUS& s) { return s.dwCheckPoint == c.check_point; });
        ASSERT_EQ(status.dwCurrentState, c.state);
        EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));

        const std::int64_t pid = wt::ServiceProcessId(c.name);
        ASSERT_GT(pid, 0);
        ASSERT_EQ(kill(static_cast<pid_t>(pid), SIGKILL), 0);
        status = cw32test::WaitForState(service, SERVICE_STOPPED, 5);
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_PROCESS_ABORTED));
        EXPECT_EQ(wt::ServiceProcessId(c.name), 0);
        for (const auto& entry : std::filesystem::directory_iterator(wt::StateDirectory()))
            EXPECT_NE(entry.path().extension(), ".sock") << "a killed service's control socket is left: " << entry.path();

        ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         cw32test::DemoService(L"").c_str(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr));
        cw32test::StartToRunning(service);
        Stop(service);
    }
}

TEST_F(ScmRuntime, StartsThatCannotWorkGiveWindowsCodesAndLeaveNothingRunning) {
    Create(L"cw32-disabled-base", cw32test::DemoService(L""), nullptr, SERVICE_DISABLED);
    setenv("WINPORT_SCM_START_TIMEOUT_MS", "300", 1);
    struct Case {
        const wchar_t* name;
        std::wstring command_line;
        const wchar_t* dependencies;
        bool marked_for_deletion;
        DWORD error;
    };
    const Case cases[] = {
        {L"cw32-missing-dependency", cw32test::DemoService(L""), L"cw32-no-such-service\0", false,
         ERROR_SERVICE_DEPENDENCY_DELETED},
        {L"cw32-failing-dependency", cw32test::DemoService(L""), L"cw32-disabled-base\0", false,
         ERROR_SERVICE_DEPENDENCY_FAIL},
        {L"cw32-never-connects", cw32test::BuiltProgram(L"cw32-demo-redist", L"--sleep 20000"), nullptr, false,
         ERROR_SERVICE_REQUEST_TIMEOUT},
        {L"cw32-deleted", cw32test::DemoService(L""), nullptr, true, ERROR_SERVICE_MARKED_FOR_DELETE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.error);
        SC_HANDLE service = Create(c.name, c.command_line, c.dependencies);
        if (c.marked_for_deletion) {
            ASSERT_TRUE(DeleteService(service));
        }
        const auto before = std::chrono::steady_clock::now();
        EXPECT_FALSE(StartServiceW(service, 0, nullptr));
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5)) << "the configured timeout";
        SERVICE_STATUS status{};
        EXPECT_TRUE(QueryServiceStatus(service, &status));
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(wt::ServiceProcessId(c.name), 0) << "a program that did not connect is ended";
    }
}

TEST_F(ScmRuntime, DependenciesStartFirstAndHoldTheirStop) {
    SC_HANDLE base = Create(L"cw32-base", cw32test::DemoService(L""));
    SC_HANDLE top = Create(L"cw32-top", cw32test::DemoService(L""), L"cw32-base\0");
    cw32test::StartToRunning(top);
    SERVICE_STATUS status{};
    ASSERT_TRUE(QueryServiceStatus(base, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_FALSE(ControlService(base, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEPENDENT_SERVICES_RUNNING));
    Stop(top);
    // A running service marked for deletion goes once it has stopped and its last handle is closed.
    EXPECT_TRUE(DeleteService(base));
    Stop(base);
    CloseServiceHandle(base);
    services_.erase(services_.begin());
    EXPECT_EQ(OpenServiceW(manager_, L"cw32-base", SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

// A caller killed in the middle of a call holds nothing: not the lock (its pid a zombie, not
// reaped yet), and not a start whose program never connects, which ends with the timeout.
TEST_F(ScmRuntime, ACallerKilledMidCallLeavesNothingHeld) {
    setenv("WINPORT_SCM_START_TIMEOUT_MS", "300", 1);
    Create(L"cw32-orphaned-start", cw32test::BuiltProgram(L"cw32-demo-redist", L"--sleep 20000"));
    for (const char* call : {"lock", "start cw32-orphaned-start"}) {
        SCOPED_TRACE(call);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t caller = fork();
        ASSERT_GE(caller, 0);
        if (caller == 0) {
            close(ready[0]);
            setenv(kCallerVariable, call, 1);
            setenv(kCallerPipeVariable, std::to_string(ready[1]).c_str(), 1);
            execl("/proc/self/exe", "scm-caller", static_cast<char*>(nullptr));
            _exit(5);
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the caller did not get to its call";
        close(ready[0]);
        if (byte == 'l') {
            EXPECT_EQ(LockServiceDatabase(manager_), nullptr);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DATABASE_LOCKED));
        } else {
            for (int i = 0; i < 200 && wt::ServiceProcessId(L"cw32-orphaned-start") == 0; ++i) usleep(10000);
            ASSERT_NE(wt::ServiceProcessId(L"cw32-orphaned-start"), 0) << "the program did not start";
        }
        ASSERT_EQ(kill(caller, SIGKILL), 0);
        usleep(100000);  // not reaped yet: a zombie holds nothing
        if (byte == 'l') {
            SC_LOCK lock = LockServiceDatabase(manager_);
            EXPECT_NE(lock, nullptr) << GetLastError();
            if (lock != nullptr) {
                EXPECT_TRUE(UnlockServiceDatabase(lock));
            }
        } else {
            usleep(300000);
            const SERVICE_STATUS status = cw32test::WaitForState(services_.back(), SERVICE_STOPPED, 2);
            EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
            EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
            EXPECT_EQ(wt::ServiceProcessId(L"cw32-orphaned-start"), 0);
        }
        waitpid(caller, nullptr, 0);
    }
}

}  // namespace
