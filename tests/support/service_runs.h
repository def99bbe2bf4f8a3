// Following a real service through its states, for the tests that start and stop one, and the
// fixture of the tests against the platform's own control manager.
#pragma once

#include <common-win32/common-win32.h>

#include "support/wine_on_qemu.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace cw32test {

#if defined(CW32_TESTS_UNDER_WINE)
constexpr bool kUnderWine = true;
#else
constexpr bool kUnderWine = false;
#endif

// Polls the service's status until `done` accepts it or `seconds` have passed; the last status.
template <class Done>
SERVICE_STATUS WaitForStatus(SC_HANDLE service, Done done, int seconds = 20) {
    SERVICE_STATUS status{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (QueryServiceStatus(service, &status) && !done(status) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return status;
}

inline SERVICE_STATUS WaitForState(SC_HANDLE service, DWORD state, int seconds = 20) {
    return WaitForStatus(service, [state](const SERVICE_STATUS& s) { return s.dwCurrentState == state; }, seconds);
}

// Starts the service and follows it to RUNNING, its check points never falling on the way.
inline void StartToRunning(SC_HANDLE service) {
    ASSERT_TRUE(StartServiceW(service, 0, nullptr)) << GetLastError();
    DWORD last_point = 0;
    const SERVICE_STATUS status = WaitForStatus(service, [&](const SERVICE_STATUS& s) {
        if (s.dwCurrentState != SERVICE_START_PENDING) return true;
        EXPECT_GE(s.dwCheckPoint, last_point);
        last_point = s.dwCheckPoint;
        return false;
    });
    ASSERT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

// Deletes the service through the open handle, closes it and waits until the manager no longer
// opens it. Wine's services.exe removes a deleted service a moment after its last handle closes,
// so a test that deletes and re-creates one must wait for it to go.
inline void DeleteAndWait(SC_HANDLE manager, SC_HANDLE service, const wchar_t* name) {
    DeleteService(service);
    CloseServiceHandle(service);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (SC_HANDLE again = OpenServiceW(manager, name, SERVICE_QUERY_STATUS)) {
        CloseServiceHandle(again);
        if (std::chrono::steady_clock::now() >= deadline) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The service's configuration record as queryServiceConfig hands it out (null when unread).
inline std::unique_ptr<QUERY_SERVICE_CONFIGW, void (*)(void*)> ReadConfig(const wchar_t* name) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_CONFIG);
    QUERY_SERVICE_CONFIGW* record = nullptr;
    DWORD size = 0;
    if (service != nullptr) {
        queryServiceConfig(service, &record, &size);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return {record, std::free};
}

inline DWORD StartType(const wchar_t* name) {
    const auto record = ReadConfig(name);
    return record ? record->dwStartType : 0;
}

// A test against the platform's control manager: the services it names are stopped and deleted
// before and after it.
class ServiceManagerTest : public ::testing::Test {
protected:
    explicit ServiceManagerTest(std::vector<const wchar_t*> names) : names_(std::move(names)) {}
    void SetUp() override {
        // Wine's control manager answers from services.exe, whose RPC threads run at once: under
        // qemu that process loses its thread blocks and a call may never come back.
        if (UnderWineOnQemu()) GTEST_SKIP() << "services.exe runs threads at once, which 32-bit Wine under qemu cannot";
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(manager_, nullptr) << GetLastError();
        RemoveAll();
    }
    void TearDown() override {
        if (manager_ == nullptr) return;
        RemoveAll();
        CloseServiceHandle(manager_);
    }
    // Stops each named service that runs and deletes it.
    void RemoveAll() {
        for (const wchar_t* name : names_) {
            SC_HANDLE service = OpenServiceW(manager_, name, SERVICE_ALL_ACCESS);
            if (service == nullptr) continue;
            SERVICE_STATUS status{};
            if (ControlService(service, SERVICE_CONTROL_STOP, &status)) WaitForState(service, SERVICE_STOPPED, 10);
            DeleteAndWait(manager_, service, name);
        }
    }
    SC_HANDLE manager_ = nullptr;
    std::vector<const wchar_t*> names_;
};

}  // namespace cw32test
