// Following a real service through its states, for the tests that start and stop one.
#pragma once

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace cw32test {

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

// Waits until the manager no longer opens the service; the last error of the last open (1060 once
// it is gone). Wine's services.exe removes a deleted service a moment after its last handle closes,
// so a test that deletes and re-creates one must wait for it to go.
inline DWORD WaitUntilDeleted(SC_HANDLE manager, const wchar_t* name, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
        if (service == nullptr) return GetLastError();
        CloseServiceHandle(service);
        if (std::chrono::steady_clock::now() >= deadline) return ERROR_SUCCESS;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Deletes the service through the open handle, closes it and waits until the name is free.
inline void DeleteAndWait(SC_HANDLE manager, SC_HANDLE service, const wchar_t* name) {
    DeleteService(service);
    CloseServiceHandle(service);
    WaitUntilDeleted(manager, name);
}

// Stops the service if it runs and deletes it (set-up and tear-down of the tests).
inline void StopAndDelete(SC_HANDLE manager, const wchar_t* name) {
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_ALL_ACCESS);
    if (service == nullptr) return;
    SERVICE_STATUS status{};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) WaitForState(service, SERVICE_STOPPED, 10);
    DeleteAndWait(manager, service, name);
}

}  // namespace cw32test
