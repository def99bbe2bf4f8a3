// The platform's process calls as the runner relies on them: command-line splitting, program
// search, exit codes, waiting. Real children, on both platforms.
#include "support/test_programs.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct Child {
    PROCESS_INFORMATION info{};
    HANDLE output = nullptr;  // read end
    bool started = false;
    DWORD error = 0;
    ~Child() {
        if (output) CloseHandle(output);
        if (info.hProcess) CloseHandle(info.hProcess);
        if (info.hThread) CloseHandle(info.hThread);
    }
};

// Starts `line` with its standard output and error in a pipe.
void Start(Child& child, std::wstring line) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&child.output, &write_end, &inherit, 0));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    child.started = CreateProcessW(nullptr, writable.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                   nullptr, &startup, &child.info) != FALSE;
    child.error = child.started ? 0 : GetLastError();
    CloseHandle(write_end);
}

// Everything the child writes, until it closes its output.
std::string ReadAll(Child& child) {
    std::string all;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(child.output, buffer, sizeof buffer, &n, nullptr) && n > 0) all.append(buffer, n);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));
    return all;
}

TEST(ChildProcesses, CommandLinesSplitByTheWindowsRules) {
    struct Case { const wchar_t* tail; const char* argv; };
    const Case cases[] = {
        {L"--args a b", "[cw32-demo-redist][--args][a][b]"},
        {L"--args \"two words\"  x", "[cw32-demo-redist][--args][two words][x]"},
        {L"--args a\\\"b", "[cw32-demo-redist][--args][a\"b]"},
        {L"--args \"c:\\dir\\\\\" y", "[cw32-demo-redist][--args][c:\\dir\\][y]"},
        {L"--args a\\\\b", "[cw32-demo-redist][--args][a\\\\b]"},
        {L"--args \"\" end", "[cw32-demo-redist][--args][][end]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv);
        Child child;
        Start(child, cw32test::DemoRedist(c.tail));
        ASSERT_TRUE(child.started) << child.error;
        EXPECT_EQ(ReadAll(child), std::string(c.argv) + "\n");
    }
}

TEST(ChildProcesses, ProgramSearchAddsExeAndReportsMissingPrograms) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(cw32test::ProgramDirectory()) / "search-test";
    fs::create_directories(dir);
    const fs::path source = fs::path(cw32test::ProgramDirectory()) /
#if defined(_WIN32)
                            "cw32-demo-redist.exe";
#else
                            "cw32-demo-redist";
#endif
    fs::copy_file(source, dir / "tool.exe", fs::copy_options::overwrite_existing);
    {
        Child child;
        Start(child, L"\"" + (dir / "tool").wstring() + L"\" --out found");  // no suffix given
        ASSERT_TRUE(child.started) << child.error;
        EXPECT_EQ(ReadAll(child), "found\n");
        // The pipe breaks before a Windows child has quite gone, and a program that is still
        // running cannot be deleted (5): the copy is removed only once the child has ended.
        EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    }
    {
        Child child;
        Start(child, (dir / "missing-tool").wstring() + L" --out x");
        EXPECT_FALSE(child.started);
        EXPECT_EQ(child.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
    std::error_code error;
    fs::remove_all(dir, error);
    EXPECT_FALSE(error) << error.message();
}

TEST(ChildProcesses, ExitCodesAndWaiting) {
    Child child;
    Start(child, cw32test::DemoRedist(L"--sleep 300 --exit 0xC0000009"));
    ASSERT_TRUE(child.started);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 0xC0000009u);
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), static_cast<DWORD>(WAIT_OBJECT_0));

    Child killed;
    Start(killed, cw32test::DemoRedist(L"--sleep 5000 --exit 0"));
    ASSERT_TRUE(killed.started);
    EXPECT_TRUE(TerminateProcess(killed.info.hProcess, 77));
    EXPECT_EQ(WaitForSingleObject(killed.info.hProcess, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(GetExitCodeProcess(killed.info.hProcess, &code));
    EXPECT_EQ(code, 77u);
}

}  // namespace
