// winport's process, pipe and module families where POSIX needs a rule of its own: handle
// inheritance, handle accounting, signals, the call record and dependency loading.
#include "support/test_host.h"
#include "support/test_programs.h"

#include <winport/testing.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>
#include <unistd.h>

namespace wt = winport::testing;

namespace {

// Starts the demo program with `arguments`, its output into `out` (none: inherited).
bool Start(const std::wstring& arguments, PROCESS_INFORMATION& info, HANDLE out = nullptr, DWORD flags = 0,
           const wchar_t* cwd = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (out) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
    }
    std::wstring line = L"cw32-demo-redist " + arguments;
    return CreateProcessW(nullptr, &line[0], nullptr, nullptr, out != nullptr, flags, nullptr, cwd, &startup, &info);
}

void CloseAll(std::initializer_list<HANDLE> handles) {
    for (HANDLE h : handles) CloseHandle(h);
}

TEST(WinportPipes, OnlyInheritableHandlesReachTheChild) {
    // The write end is not inheritable: the child writes into /dev/null, the pipe stays empty.
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(Start(L"--out lost --exit 0", info, write_end));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD waiting = 99;
    ASSERT_TRUE(PeekNamedPipe(read_end, nullptr, 0, nullptr, &waiting, nullptr));
    EXPECT_EQ(waiting, 0u);
    CloseAll({read_end, write_end, info.hProcess, info.hThread});
}

// A flooding child on the write end of a new pipe; the caller's copy of the write end is closed.
struct FloodingChild {
    explicit FloodingChild(unsigned long long bytes) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        EXPECT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
        EXPECT_TRUE(Start(L"--flood " + std::to_wstring(bytes) + L" --exit 0", info, write_end));
        CloseHandle(write_end);
    }
    ~FloodingChild() { CloseAll({info.hProcess, info.hThread}); }
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    PROCESS_INFORMATION info{};
};

TEST(WinportPipes, APeekedPipeTakesMoreThanTheSystemBufferWhileNobodyReads) {
    // 6 MB is far beyond the 1 MB a system pipe holds: the child can only finish unread because
    // the peek started the pump. Then every byte is read back, in order.
    const std::size_t before = wt::LiveHandles();
    constexpr unsigned long long kBytes = 6ull << 20;
    {
        FloodingChild child(kBytes);
        DWORD waiting = 0;
        ASSERT_TRUE(PeekNamedPipe(child.read_end, nullptr, 0, nullptr, &waiting, nullptr));
        ASSERT_EQ(WaitForSingleObject(child.info.hProcess, 20000), WAIT_OBJECT_0);
        ASSERT_TRUE(PeekNamedPipe(child.read_end, nullptr, 0, nullptr, &waiting, nullptr));
        EXPECT_GT(waiting, 0u);
        unsigned long long total = 0;
        bool in_order = true;
        char buffer[1000];  // not a divisor of the pump's blocks, so reads straddle them
        DWORD n = 0;
        while (ReadFile(child.read_end, buffer, sizeof buffer, &n, nullptr)) {
            for (DWORD i = 0; i < n; ++i) {
                in_order = in_order && buffer[i] == static_cast<char>('a' + (total + i) % (64 * 1024) % 26);
            }
            total += n;
        }
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
        EXPECT_EQ(total, kBytes);
        EXPECT_TRUE(in_order);
        EXPECT_FALSE(PeekNamedPipe(child.read_end, nullptr, 0, nullptr, &waiting, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
        CloseHandle(child.read_end);
    }
    EXPECT_EQ(wt::LiveHandles(), before);
}

TEST(WinportPipes, ClosingAReadEndWhosePumpIsFullEndsThePumpAndTheWriter) {
    // 200 MB never fit in the pump: it fills, the child blocks; closing the read end must still
    // return at once, and the child then finds its reader gone.
    FloodingChild child(200ull << 20);
    DWORD waiting = 0;
    // More than a system pipe holds proves the pump is taking it; a loaded machine may take a
    // while to get there, so look again every 10 ms for up to 20 s.
    for (int tries = 0; tries < 2000 && waiting <= 1u << 20; ++tries) {
        ASSERT_TRUE(PeekNamedPipe(child.read_end, nullptr, 0, nullptr, &waiting, nullptr));
        if (waiting <= 1u << 20) ::usleep(10 * 1000);
    }
    EXPECT_GT(waiting, 1u << 20);
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(CloseHandle(child.read_end));
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 20000), WAIT_OBJECT_0);
}

TEST(WinportPipes, RefusedRequestsFailLoudly) {
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    HANDLE copy = nullptr;
    EXPECT_FALSE(DuplicateHandle(GetCurrentProcess(), read_end, reinterpret_cast<HANDLE>(0x1234), &copy, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    PROCESS_INFORMATION info{};
    EXPECT_FALSE(Start(L"--exit 0", info, nullptr, 0x00000010 /* CREATE_NEW_CONSOLE */));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(Start(L"--exit 0", info, nullptr, 0, L"/no/such/directory"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    CloseAll({read_end, write_end});
}

TEST(WinportProcesses, SignalledChildReportsTheSignalCode) {
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(Start(L"--sleep 5000", info));
    ::kill(static_cast<pid_t>(info.dwProcessId), SIGTERM);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, WINPORT_SIGNAL_EXIT_BASE + SIGTERM);
    CloseAll({info.hProcess, info.hThread});
}

TEST(WinportProcesses, RunnerAsksForWhatItShould) {
    auto host = cw32test::MakeHost();
    wt::StartCallLog();
    unsigned long code = 0;
    wchar_t line[] = L"cw32-demo-redist --sleep 100 --exit 3";
    RunRedistProgram(host, line, 0, true, nullptr, &code, nullptr, false, nullptr, CString(), CString(), false);
    wt::StopCallLog();
    EXPECT_EQ(code, 3u);
    std::vector<std::string> wanted = {
        "CreatePipe(inherit=1 size=0)",
        "CreateProcessW(inherit=1 flags=134217728 startflags=257 show=0 cwd=(null) line=cw32-demo-redist --sleep 100 --exit 3)",
    };
    const auto log = wt::CallLog();
    for (const std::string& w : wanted)
        EXPECT_NE(std::find(log.begin(), log.end(), w), log.end()) << w;
    std::size_t duplicates = 0;
    for (const std::string& entry : log)
        if (entry.rfind("DuplicateHandle(access=0 inherit=1 options=2 ", 0) == 0) ++duplicates;
    EXPECT_EQ(duplicates, 2u);
}

// Counted from what is loaded already: the security provider stays loaded once a test used it.
TEST(WinportModules, DependenciesAreFoundBesideTheLibraryOnlyWhenAsked) {
    const std::size_t loaded = wt::LiveHandles(wt::HandleKind::Module);
    const std::wstring plugin = cw32test::TestPluginPath();
    EXPECT_EQ(LoadLibraryExW(plugin.c_str(), nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));  // there, but it will not load
    HMODULE first = LoadLibraryExW(plugin.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(first, nullptr);
    HMODULE second = LoadLibraryExW(plugin.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_EQ(first, second);  // one module, two loads
    EXPECT_EQ(wt::LiveHandles(wt::HandleKind::Module), loaded + 1);
    EXPECT_EQ(GetProcAddress(first, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(second, "PluginAnswer"), nullptr);  // the second load still holds it
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(wt::LiveHandles(wt::HandleKind::Module), loaded);
    EXPECT_EQ(LoadLibraryExW(L"/no/such/library.so", nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryExW(plugin.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST(WinportModules, LibraryInteropReleasesEveryLoad) {
    const std::size_t loaded = wt::LiveHandles(wt::HandleKind::Module);
    auto host = cw32test::MakeHost();
    {
        CLibraryInterop original(host, cw32test::TestPluginPath().c_str());
        CLibraryInterop copy(original);
        CLibraryInterop assigned(host, nullptr);
        assigned = copy;
        EXPECT_EQ(wt::LiveHandles(wt::HandleKind::Module), loaded + 1);
    }
    EXPECT_EQ(wt::LiveHandles(wt::HandleKind::Module), loaded);
    // A copy whose reference cannot be taken starts empty instead of sharing a load.
    CLibraryInterop original(host, cw32test::TestPluginPath().c_str());
    wt::FailNthCall(1, ERROR_NOT_ENOUGH_MEMORY, "LoadLibraryExW");
    CLibraryInterop copy(original);
    wt::DisarmFaults();
    EXPECT_EQ(copy.GetFunction(L"PluginAnswer"), nullptr);
    EXPECT_NE(original.GetFunction(L"PluginAnswer"), nullptr);
}

}  // namespace
