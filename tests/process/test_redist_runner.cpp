// RunRedistProgram with real children and real pipes: what reaches the host, what the caller
// gets back, and the environment around the run.
#include "support/test_host.h"
#include "support/test_programs.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using cw32test::DemoRedist;
using cw32test::MakeHost;
using cw32test::RecordingHost;

namespace {

const wchar_t kVariable[] = L"CW32_REDIST_TEST_VARIABLE";

struct RunResult {
    boost::shared_ptr<RecordingHost> host = MakeHost();
    unsigned long exit_code = 12345;
    CString output;
};

struct Options {
    const wchar_t* program = nullptr;  // null: the demo program
    bool hide = false;
    const wchar_t* directory = nullptr;
    const wchar_t* mask = nullptr;
    bool pairs = false;
    bool capture = true;
    const wchar_t* env_name = L"";
    const wchar_t* env_value = L"";
    bool no_wait = false;
    const wchar_t* output_before = L"";
};

RunResult RunChild(const std::wstring& arguments, const Options& o = Options()) {
    RunResult run;
    run.output = o.output_before;
    std::wstring line = o.program ? o.program + (L" " + arguments) : DemoRedist(arguments);
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    EXPECT_EQ(RunRedistProgram(run.host, writable.data(), 0, o.hide, o.directory, &run.exit_code, o.mask, o.pairs,
                               o.capture ? &run.output : nullptr, CString(o.env_name), CString(o.env_value), o.no_wait),
              0u);
    EXPECT_EQ(run.host.use_count(), 1);  // every copy of the logger released
    return run;
}

// The child's chunks (the unstamped lines), or the library's own lines with their stamp removed.
std::vector<std::wstring> Lines(const RecordingHost& host, bool own) {
    std::vector<std::wstring> lines;
    for (const auto& l : host.lines)
        if (cw32test::HasStamp(l.text) == own) lines.push_back(cw32test::StripStamp(l.text));
    return lines;
}

bool VariableExists(const wchar_t* name, std::wstring* value = nullptr) {
    wchar_t buffer[512];
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(name, buffer, 512);
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    if (value) *value = std::wstring(buffer, n);
    return true;
}

// The child sleeps before it writes and before it exits, so each piece of output is waiting
// in the pipe, whole, when the runner's next pass reads it. A variable set for the child
// (which did not exist before) is gone again afterwards, also when the child never started.
TEST(RedistRunnerOutput, ChunksAndExitCodes) {
    struct Case {
        const char* name;
        std::wstring arguments;
        std::vector<std::wstring> chunks;
        unsigned long exit_code;
        std::vector<std::wstring> own;
        Options options = Options();
    };
    const std::wstring fill3000 = [] {
        std::wstring s;
        for (int i = 0; i < 3000; ++i) s += static_cast<wchar_t>(L'a' + i % 26);
        return s;
    }();
    const std::wstring missing = std::wstring(L"Environment variable ") + kVariable + L" does not exist.\n";
    Options appending, logging_only, not_started, no_wait;
    appending.output_before = L"before:";
    logging_only.capture = false;
    not_started.program = L"cw32-no-such-program-anywhere";
    not_started.hide = true;
    not_started.mask = L"x";
    not_started.output_before = L"kept";
    not_started.env_name = no_wait.env_name = kVariable;
    not_started.env_value = no_wait.env_value = L"temp";
    no_wait.no_wait = true;
    const Case cases[] = {
        {"3000 bytes read as 1024, 1024, 952", L"--sleep 200 --fill 3000 --sleep 400 --exit 4",
         {fill3000.substr(0, 1024), fill3000.substr(1024, 1024), fill3000.substr(2048)}, 4,
         {L"RunRedistProgram: return value 4"}},
        {"zero byte cuts its chunk", L"--sleep 200 --hex 6162006364 --sleep 400 --exit 0", {L"ab"}, 0,
         {L"RunRedistProgram: return value 0"}},
        {"standard error too", L"--sleep 200 --err oops --sleep 400 --exit 1", {L"oops\n"}, 1,
         {L"RunRedistProgram: return value 1"}},
        {"top bit shown negative", L"--sleep 100 --exit 0xC0000009", {}, 0xC0000009ul,
         {L"RunRedistProgram: return value -1073741815"}},
        {"appended behind what the caller had", L"--sleep 150 --out hello --sleep 400 --exit 0", {L"hello\n"}, 0,
         {L"RunRedistProgram: return value 0"}, appending},
        {"without a string only logged", L"--sleep 150 --out hello --sleep 400 --exit 0", {L"hello\n"}, 0,
         {L"RunRedistProgram: return value 0"}, logging_only},
        // Logged once; the exit code and the caller's string stay as they were.
        {"start failure", L"--flag", {}, 12345, {missing, L"RunRedistProgram: failed: 2"}, not_started},
        // Still running: 259 (STILL_ACTIVE) and nothing read.
        {"no wait", L"--out early --sleep 300 --out late --exit 3", {}, 259,
         {missing, L"RunRedistProgram: launch process and return without waiting", L"RunRedistProgram: return value 259"},
         no_wait},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult run = RunChild(c.arguments, c.options);
        EXPECT_EQ(Lines(*run.host, false), c.chunks);
        EXPECT_EQ(Lines(*run.host, true), c.own);
        EXPECT_EQ(run.exit_code, c.exit_code);
        std::wstring joined = c.options.output_before;
        for (const auto& chunk : c.chunks) joined += chunk;
        EXPECT_EQ(std::wstring(run.output.GetString()), c.options.capture ? joined : L"");
        for (const auto& l : run.host->lines) EXPECT_EQ(l.level, 2);
        EXPECT_FALSE(VariableExists(kVariable));
    }
}

TEST(RedistRunnerClosingLine, MasksByTextOrByPairList) {
    struct Case { const wchar_t* mask; bool pairs; const wchar_t* closing; };
    const Case cases[] = {
        {L"42", false, L"RunRedistProgram: return value *"},
        {L"", false, L"RunRedistProgram: return value 42"},
        {L"Value", false, L"RunRedistProgram: return value 42"},  // case-sensitive
        {L"value ", true, L"RunRedistProgram: return 42"},          // one text: deleted
        {L"return|RETURN|42", true, L"RunRedistProgram: RETURN value RETURN"},  // third takes the second's new text
        {L"42|a\\|b|", true, L"RunRedistProgram: return value a|b"},            // escaped separator inside a text
        {L"|x|4|y", true, L"RunRedistProgram: return value y2"},                // an empty old text replaces nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.pairs ? "pairs " : "text ") << std::string(c.mask, c.mask + wcslen(c.mask)));
        Options o;
        o.mask = c.mask;
        o.pairs = c.pairs;
        RunResult run = RunChild(L"--sleep 50 --exit 42", o);
        EXPECT_EQ(Lines(*run.host, true), std::vector<std::wstring>{c.closing});
        EXPECT_EQ(run.exit_code, 42u);
    }
}

TEST(RedistRunnerStart, WorkingDirectoryIsTheChilds) {
    const std::wstring directory = cw32test::ProgramDirectory() + cw32test::PathSeparator() + L"plugins";
    Options o;
    o.directory = directory.c_str();
    RunResult run = RunChild(L"--sleep 150 --cwd --sleep 400 --exit 0", o);
    const std::wstring printed = run.output.GetString();
    ASSERT_GE(printed.size(), 9u);
    EXPECT_EQ(printed.substr(printed.size() - 8), L"plugins\n");
}

TEST(RedistRunnerStart, RealExitCode259EndsTheWait) {
#if !defined(_WIN32)
    GTEST_SKIP() << "a POSIX exit status holds 8 bits: no child can exit with 259 there";
#endif
    RunResult run = RunChild(L"--sleep 100 --exit 259");
    EXPECT_EQ(run.exit_code, 259ul);
    EXPECT_EQ(Lines(*run.host, true), std::vector<std::wstring>{L"RunRedistProgram: return value 259"});
}

TEST(RedistRunnerEnvironment, ChildSeesTheVariableWhichIsPutBackAfterwards) {
    struct Case {
        const char* name;
        const wchar_t* before;  // null: the variable does not exist
        const wchar_t* env_name;
        const wchar_t* env_value;
        const wchar_t* child_sees;
    };
    const Case cases[] = {
        {"new variable", nullptr, kVariable, L"temp value", L"CW32_REDIST_TEST_VARIABLE=temp value\n"},
        {"existing variable", L"original", kVariable, L"temp", L"CW32_REDIST_TEST_VARIABLE=temp\n"},
        {"empty value: untouched", L"original", kVariable, L"", L"CW32_REDIST_TEST_VARIABLE=original\n"},
        {"empty name: untouched", nullptr, L"", L"temp", L"CW32_REDIST_TEST_VARIABLE is not set\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetEnvironmentVariableW(kVariable, c.before);
        Options o;
        o.env_name = c.env_name;
        o.env_value = c.env_value;
        RunResult run = RunChild(L"--sleep 150 --env CW32_REDIST_TEST_VARIABLE --sleep 400 --exit 0", o);
        EXPECT_EQ(std::wstring(run.output.GetString()), c.child_sees);
        std::wstring after;
        EXPECT_EQ(VariableExists(kVariable, &after), c.before != nullptr);
        if (c.before) {
            EXPECT_EQ(after, c.before);
        }
    }
    SetEnvironmentVariableW(kVariable, nullptr);
}

TEST(RedistRunnerEnvironment, HostWriteThatThrowsPassesThroughAfterTheRestore) {
    SetEnvironmentVariableW(kVariable, L"original");
    RunResult run;
    run.host->on_write = [](int, const std::wstring& text) {
        if (text == L"boom\n") throw std::runtime_error("host refused the line");
    };
    wchar_t line[] = L"cw32-demo-redist --sleep 150 --out boom --sleep 400 --exit 0";
    EXPECT_THROW(RunRedistProgram(run.host, line, 0, false, nullptr, &run.exit_code, nullptr, false, &run.output,
                                  CString(kVariable), CString(L"temp"), false),
                 std::runtime_error);
    std::wstring after;
    EXPECT_TRUE(VariableExists(kVariable, &after));
    EXPECT_EQ(after, L"original");
    EXPECT_EQ(run.exit_code, 12345ul);
    EXPECT_EQ(run.host.use_count(), 1);
    SetEnvironmentVariableW(kVariable, nullptr);
}

}  // namespace
