// A real service program under the platform's control manager (Wine's services.exe on Windows
// builds, winport's on POSIX): started, followed through its check points, controlled and
// stopped, and what the manager says when it is refused or when the program misbehaves.
#include <common-win32/common-win32.h>

#include "support/service_runs.h"
#include "support/test_programs.h"
#include "support/wine_on_qemu.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const wchar_t* kName = L"cw32-runtime-test";

class ServiceRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        if (cw32test::UnderWineOnQemu()) GTEST_SKIP() << "services.exe runs threads at once, which 32-bit Wine under qemu cannot";
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr) << GetLastError();
        cw32test::StopAndDelete(manager_, kName);
    }
    void TearDown() override {
        if (manager_ == nullptr) return;
        cw32test::StopAndDelete(manager_, kName);
        CloseServiceHandle(manager_);
    }
    SC_HANDLE Create(const std::wstring& command_line, DWORD start_type = SERVICE_DEMAND_START) {
        return CreateServiceW(manager_, kName, L"cw32 runtime test", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                              start_type, SERVICE_ERROR_NORMAL, command_line.c_str(), nullptr, nullptr, nullptr,
                              nullptr, nullptr);
    }
    SC_HANDLE manager_ = nullptr;
};

TEST_F(ServiceRuntime, TheDemoServiceStartsRunsAndStopsInSteps) {
    struct Case {
        const wchar_t* arguments;
        DWORD exit_code;
    };
    for (const Case& c : {Case{L"--check-points 3", 0}, Case{L"--check-points 6 --step 20 --exit-code 42", 42}}) {
        SCOPED_TRACE(testing::Message() << c.arguments);
        SC_HANDLE service = Create(cw32test::DemoService(c.arguments));
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
        EXPECT_EQ(status.dwWin32ExitCode, c.exit_code);
        EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));

        EXPECT_TRUE(DeleteService(service));
        CloseServiceHandle(service);
        EXPECT_EQ(cw32test::WaitUntilDeleted(manager_, kName), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    }
}

TEST_F(ServiceRuntime, AProgramThatEndsWithoutReportingStoppedLeavesItStoppedWith1067) {
#if defined(CW32_TESTS_UNDER_WINE)
    GTEST_SKIP() << "Wine's services.exe does not notice a service process that ends: its last status stays";
#endif
    for (const wchar_t* phase : {L"start", L"stop"}) {
        SCOPED_TRACE(testing::Message() << phase);
        SC_HANDLE service = Create(cw32test::DemoService(std::wstring(L"--crash ") + phase));
        ASSERT_NE(service, nullptr) << GetLastError();
        ASSERT_TRUE(StartServiceW(service, 0, nullptr)) << GetLastError();
        SERVICE_STATUS status{};
        if (std::wstring(phase) == L"stop") {
            ASSERT_EQ(cw32test::WaitForState(service, SERVICE_RUNNING).dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
            EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
        }
        status = cw32test::WaitForState(service, SERVICE_STOPPED);
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_PROCESS_ABORTED));
        // The next start runs a new process.
        ASSERT_TRUE(ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         cw32test::DemoService(L"").c_str(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr));
        cw32test::StartToRunning(service);
        EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
        EXPECT_EQ(cw32test::WaitForState(service, SERVICE_STOPPED).dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
        cw32test::DeleteAndWait(manager_, service, kName);
    }
}

TEST_F(ServiceRuntime, StartsThatCannotWorkAreRefusedWithTheManagersCodes) {
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
