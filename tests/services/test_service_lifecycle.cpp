// The lifecycle functions on a service that is installed but never started: create, exists,
// check, stop and disable, delete, each with its lines; and input the control manager refuses.
// Then a real service program under the platform's control manager, driven through the library
// and directly: started, followed through its check points, controlled and stopped, and what the
// manager says when a start is refused. Natively against winport's control manager, on Windows
// builds against Wine's.
#include <common-win32/common-win32.h>

#include "support/service_runs.h"
#include "support/test_host.h"
#include "support/test_programs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using cw32test::kUnderWine;

constexpr const wchar_t* kName = L"cw32-life";

class ServiceLifecycle : public cw32test::ServiceManagerTest {
protected:
    ServiceLifecycle() : ServiceManagerTest({kName}) {}
    SC_HANDLE Create(const std::wstring& command_line, DWORD start_type = SERVICE_DEMAND_START) {
        return CreateServiceW(manager_, kName, L"cw32 runtime test", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                              start_type, SERVICE_ERROR_NORMAL, command_line.c_str(), nullptr, nullptr, nullptr,
                              nullptr, nullptr);
    }
};

struct Step {
    const char* what;
    std::function<long(boost::shared_ptr<ILogger>)> run;
    long result;
    std::vector<std::wstring> lines;
};

void RunSteps(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        auto host = cw32test::MakeHost();
        EXPECT_EQ(step.run(host), step.result);
        EXPECT_EQ(host->Unstamped(), step.lines);
    }
}

TEST_F(ServiceLifecycle, AServiceThatNeverRanIsCreatedFoundDisabledAndDeleted) {
    const std::wstring look = L"[ServiceExists] look for service(cw32-life))";
    RunSteps({
        {"create", [](auto log) { return long{CreateNTService(log, kName, L"cw32 life", L"C:\\cw32\\svc.exe", nullptr, L"A test")}; },
         1, {L"AddNTService: attempting to create service.", L"AddNTService: successfully created the service."}},
        {"create again", [](auto log) { return long{CreateNTService(log, kName, L"cw32 other", L"C:\\x.exe", nullptr, nullptr)}; },
         0, {L"AddNTService: attempting to create service.", L"AddNTService: could not create the service."}},
        {"exists", [](auto log) { return ServiceExists(log, kName); }, 0, {look}},
        {"check a stopped service", [](auto log) { return long{CheckNTService(log, kName)}; }, 0, {}},
        {"stop a stopped service", [](auto log) { return long{ControlNTService(kName, false, log)}; }, 1,
         {L"Service cw32-life already stopped, ignoring request..."}},
        {"stop it with its dependents", [](auto log) { return long{StopNTServiceTree(kName, 1000, log)}; }, 1,
         {L"Service cw32-life already stopped, ignoring request..."}},
    });
    EXPECT_EQ(cw32test::StartType(kName), static_cast<DWORD>(SERVICE_AUTO_START));
    // The stop control is refused with 1062, which counts as stopped.
    RunSteps({{"disable", [](auto log) { return long{DisableNTService(log, kName)}; }, 1,
               {L"[DiableQRLNNTServices] stop service [cw32-life]", L"Stopping Service 'cw32-life'",
                L"[DiableQRLNNTServices] disable service [cw32-life]", L"Disabling Service 'cw32-life'"}}});
    EXPECT_EQ(cw32test::StartType(kName), static_cast<DWORD>(SERVICE_DISABLED));
    RunSteps({
        {"delete", [](auto log) { return long{DeleteNTService(log, kName)}; }, 1,
         {L"DeleteNTService: attempting to delete service."}},
        {"exists no more", [](auto log) { return ServiceExists(log, kName); }, ERROR_SERVICE_DOES_NOT_EXIST,
         {look, L"[ServiceExists] OpenService error 1060"}},
        {"disable", [](auto log) { return long{DisableNTService(log, kName)}; }, 0,
         {L"[DiableQRLNNTServices] stop service [cw32-life]", L"[DiableQRLNNTServices] fail to stop [1060]"}},
        {"stop the tree", [](auto log) { return long{StopNTServiceTree(kName, 0, log)}; }, 0,
         {L"ntservice Error: StopNTServiceTree: Service: cw32-life: its running dependents cannot be listed, error 1060"}},
    });
}

// The real demo service, driven only through the library: a start and a stop that wait on its
// check points, reconfiguration, disabling and deletion. The polls in between depend on timing,
// so only the lines around them are checked.
TEST_F(ServiceLifecycle, TheDemoServiceRunsItsWholeLifeThroughTheLibrary) {
    auto host = cw32test::MakeHost();
    const std::wstring program = cw32test::DemoService(L"--check-points 2");
    ASSERT_TRUE(CreateNTService(host, kName, L"cw32 life", program.c_str(), nullptr, L"demo"));
    auto control = [](bool start, int result, const wchar_t* attempt, const wchar_t* state) {
        auto log = cw32test::MakeHost();
        EXPECT_EQ(ControlNTService(kName, start, log), result);
        const std::vector<std::wstring> lines = log->Unstamped();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0].substr(0, std::wcslen(attempt)), attempt);
        EXPECT_EQ(lines[lines.size() - 2], std::wstring(L"Expected Service Status ") + state + L" reached");
        EXPECT_EQ(lines.back(), L"ControlService function exiting (1)");
    };
    control(true, 1, L"Attempting to start Service cw32-life", L"SERVICE_RUNNING");
    EXPECT_TRUE(CheckNTService(host, kName));
    const std::wstring quicker = cw32test::DemoService(L"--check-points 1");
    EXPECT_EQ(changeServiceConfigBinaryPath(kName, quicker.c_str()), 1);
    control(false, 1, L"Attempting to stop Service cw32-life, current status is 4", L"SERVICE_STOPPED");
    control(true, 1, L"Attempting to start Service cw32-life", L"SERVICE_RUNNING");
    RunSteps({
        {"disable", [](auto log) { return long{DisableNTService(log, kName)}; }, 1,
         {L"[DiableQRLNNTServices] stop service [cw32-life]", L"Stopping Service 'cw32-life'",
          L"[DiableQRLNNTServices] disable service [cw32-life]", L"Disabling Service 'cw32-life'"}},
        {"check", [](auto log) { return long{CheckNTService(log, kName)}; }, 0, {}},
        {"start a disabled service", [](auto log) { return long{ControlNTService(kName, true, log)}; }, 0,
         {L"Attempting to start Service cw32-life", L"ntservice Error: StartService function failed"}},
        {"delete", [](auto log) { return long{DeleteNTService(log, kName)}; }, 1,
         {L"DeleteNTService: attempting to delete service."}},
    });
}

TEST_F(ServiceLifecycle, InputTheManagerRefusesGivesDefinedResults) {
    const std::wstring long_name(257, L'n');
    const wchar_t* const path = L"C:\\cw32\\svc.exe";
    auto create = [path](const wchar_t* name, const wchar_t* dependencies, const wchar_t* binary) {
        return [=](auto log) { return long{CreateNTService(log, name, name, binary, dependencies, nullptr)}; };
    };
    const std::vector<std::wstring> not_created = {L"AddNTService: attempting to create service.",
                                                   L"AddNTService: could not create the service."};
    std::vector<Step> steps = {
        {"create without a name", create(nullptr, nullptr, path), 0, not_created},
        {"create with 257 characters", create(long_name.c_str(), nullptr, path), 0, not_created},
        {"create without a program", create(kName, nullptr, nullptr), 0, not_created},
        // Wine's OpenServiceW answers 1060 for a name beyond 256 characters, where Windows' is 123.
        {"exists with 257 characters", [&](auto log) { return ServiceExists(log, long_name.c_str()); },
         kUnderWine ? ERROR_SERVICE_DOES_NOT_EXIST : ERROR_INVALID_NAME,
         {L"[ServiceExists] look for service(" + long_name + L"))",
          kUnderWine ? L"[ServiceExists] OpenService error 1060" : L"[ServiceExists] OpenService error 123"}},
        {"check without a name", [](auto log) { return long{CheckNTService(log, nullptr)}; }, 0, {}},
        {"delete without a name", [](auto log) { return long{DeleteNTService(log, nullptr)}; }, 0,
         {L"DeleteNTService: could not get a handle with OpenService"}},
        // The service object takes no empty name: the stop is not tried and no open failed.
        {"disable without a name", [](auto log) { return long{DisableNTService(log, nullptr)}; }, 0,
         {L"[DiableQRLNNTServices] stop service [(null)]", L"[DiableQRLNNTServices] fail to stop [0]"}},
        {"stop without a name", [](auto log) { return long{ControlNTService(nullptr, false, log)}; }, 0,
         {L"ntservice Error: Failed to open service '(null)'"}},
    };
    // Wine creates a service that depends on itself, where Windows refuses it with 1059.
    if (!kUnderWine)
        steps.push_back({"create depending on itself", create(kName, L"cw32-life\0", path), 0, not_created});
    RunSteps(steps);
}

// The same program under the manager's own calls: a start followed through six check points, the
// controls it takes and refuses, and the exit code its stop reports.
TEST_F(ServiceLifecycle, TheDemoServiceStartsRunsAndStopsInSteps) {
    SC_HANDLE service = Create(cw32test::DemoService(L"--check-points 6 --step 20 --exit-code 42"));
    ASSERT_NE(service, nullptr) << GetLastError();
    cw32test::StartToRunning(service);
    SERVICE_STATUS status{};
    EXPECT_FALSE(StartServiceW(service, 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status)) << GetLastError();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_PAUSE, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
#if !defined(CW32_TESTS_UNDER_WINE)  // Wine's services.exe does not pass the handler's answer on
    EXPECT_FALSE(ControlService(service, 200, &status)) << "a code of its own that the handler does not take";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL));
#endif

    ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    status = cw32test::WaitForState(service, SERVICE_STOPPED);
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwWin32ExitCode, 42u);
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    cw32test::DeleteAndWait(manager_, service, kName);
    EXPECT_EQ(OpenServiceW(manager_, kName, SERVICE_QUERY_STATUS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ServiceLifecycle, StartsThatCannotWorkAreRefusedWithTheManagersCodes) {
    struct Case {
        std::wstring command_line;
        DWORD start_type;
        DWORD error;
    };
    const Case cases[] = {
        {cw32test::BuiltProgram(L"cw32-demo-redist", L"--exit 3"), SERVICE_DEMAND_START, ERROR_SERVICE_REQUEST_TIMEOUT},  // no service program
        {cw32test::BuiltProgram(L"no-such-program", L"--run"), SERVICE_DEMAND_START, ERROR_FILE_NOT_FOUND},
        {cw32test::DemoService(L""), SERVICE_DISABLED, ERROR_SERVICE_DISABLED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.error);
        SC_HANDLE service = Create(c.command_line, c.start_type);
        ASSERT_NE(service, nullptr) << GetLastError();
        SetLastError(0);
        EXPECT_FALSE(StartServiceW(service, 0, nullptr));
        EXPECT_EQ(GetLastError(), c.error);
        SERVICE_STATUS status{};
        EXPECT_TRUE(QueryServiceStatus(service, &status));
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        cw32test::DeleteAndWait(manager_, service, kName);
    }
}

}  // namespace
