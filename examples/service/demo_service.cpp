// cw32-demo-service: a service program for the service tests and the demo, one source for
// Windows' control manager and for winport's. It starts and stops in steps, reporting a rising
// check point at each, and can be told to stall or to crash on the way.
//
//   --check-points N   steps of the start and of the stop (default 3)
//   --wait-hint MS     the wait hint reported with each step (default 1000)
//   --step MS          how long each step takes (default 50)
//   --stall start|stop the check point stops at 1 in that phase, and the program waits for ever
//   --crash start|stop the program exits half-way through that phase without reporting STOPPED
//   --exit-code N      the exit code reported with STOPPED (default 0)
//
// Run by hand instead of by the control manager, it says so and exits with 1.
#if defined(_WIN32)
#include <windows.h>
#else
#include <winport/win32.h>
#endif

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct Options {
    DWORD check_points = 3, wait_hint = 1000, step_ms = 50, exit_code = 0;
    std::string stall, crash;
} g_options;

std::mutex g_mutex;
std::condition_variable g_stop_asked;
bool g_stopping = false;
SERVICE_STATUS_HANDLE g_handle = nullptr;

void Report(DWORD state, DWORD check_point, DWORD exit_code = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exit_code;
    status.dwCheckPoint = check_point;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : g_options.wait_hint;
    SetServiceStatus(g_handle, &status);
}

// Reports check points 1..N of a pending state (`from` on), stalling or crashing when told to.
void Steps(DWORD state, const std::string& phase, DWORD from) {
    for (DWORD point = from; point <= g_options.check_points; ++point) {
        if (g_options.crash == phase && point > g_options.check_points / 2) std::_Exit(3);
        Report(state, point);
        if (g_options.stall == phase) {
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(g_options.step_ms));
    }
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    if (control != SERVICE_CONTROL_STOP) return ERROR_CALL_NOT_IMPLEMENTED;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_stopping) {
        g_stopping = true;
        Report(SERVICE_STOP_PENDING, 1);  // so the one who asked sees the stop under way
        g_stop_asked.notify_all();
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR* argv) {
    g_handle = RegisterServiceCtrlHandlerExW(argv[0], Handler, nullptr);
    if (g_handle == nullptr) return;
    Steps(SERVICE_START_PENDING, "start", 1);
    {
        std::unique_lock<std::mutex> lock(g_mutex);
        Report(SERVICE_RUNNING, 0);
        g_stop_asked.wait(lock, [] { return g_stopping; });
    }
    Steps(SERVICE_STOP_PENDING, "stop", 2);
    Report(SERVICE_STOPPED, 0, g_options.exit_code);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--check-points") g_options.check_points = static_cast<DWORD>(std::strtoul(value, nullptr, 0));
        else if (name == "--wait-hint") g_options.wait_hint = static_cast<DWORD>(std::strtoul(value, nullptr, 0));
        else if (name == "--step") g_options.step_ms = static_cast<DWORD>(std::strtoul(value, nullptr, 0));
        else if (name == "--exit-code") g_options.exit_code = static_cast<DWORD>(std::strtoul(value, nullptr, 0));
        else if (name == "--stall") g_options.stall = value;
        else if (name == "--crash") g_options.crash = value;
    }
    static wchar_t name[] = L"cw32-demo-service";  // a service of its own process: the name is not looked at
    const SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) {
        std::fprintf(stderr, "cw32-demo-service: not started by the service control manager (error %lu)\n",
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    return 0;
}
