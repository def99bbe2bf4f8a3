// Fault-injection sweeps: every platform call of RunRedistProgram and of the environment pair
// is made to fail in turn. Each run must end without a crash, with the documented lines, with
// no handle left open and with the environment as the documented rules leave it.
#include "fault_sweep.h"
#include "support/test_host.h"
#include "support/test_programs.h"

#include <winport/testing.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace wt = winport::testing;

namespace {

const wchar_t kVariable[] = L"CW32_SWEEP_VARIABLE";

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::wstring CurrentValue(bool* exists) {
    wchar_t buffer[1024];
    const DWORD n = GetEnvironmentVariableW(kVariable, buffer, 1024);
    *exists = !(n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND);
    EXPECT_LT(n, 1024u);
    return std::wstring(buffer, *exists ? n : 0);
}

struct SweepRun {
    std::vector<std::wstring> lines;  // stamps removed
    std::wstring output;
    unsigned long exit_code = 12345;
    std::string faulted;
};

// One run, with whatever fault is armed.
SweepRun RunOnce() {
    auto host = cw32test::MakeHost();
    SweepRun run;
    CString output;
    // The child waits 300 ms after its last line, three passes of the runner, so that even on a
    // loaded machine a pass reads "late" before one sees the exit.
    wchar_t line[] = L"cw32-demo-redist --out early --sleep 60 --out late --sleep 300 --exit 7";
    EXPECT_EQ(RunRedistProgram(host, line, 0, true, nullptr, &run.exit_code, L"7", false, &output,
                               CString(kVariable), CString(L"temp"), false),
              0u);
    EXPECT_EQ(host.use_count(), 1);
    run.lines = host->Unstamped();
    run.output = output.GetString();
    return run;
}

// The lines and results each kind of failure documents, checked for one run.
void CheckRun(const SweepRun& run, const wchar_t* before) {
    SCOPED_TRACE("fault in " + (run.faulted.empty() ? std::string("nothing") : run.faulted));
    const bool start_failed = run.faulted == "CreateProcessW";
    if (start_failed) {
        EXPECT_TRUE(Contains(run.lines, L"RunRedistProgram: failed: 5"));
        EXPECT_EQ(run.exit_code, 12345ul);
        EXPECT_FALSE(Contains(run.lines, L"RunRedistProgram: return value *"));
    } else {
        EXPECT_TRUE(Contains(run.lines, L"RunRedistProgram: return value *"));
        EXPECT_EQ(run.exit_code, 7ul);
    }
    if (run.faulted == "CreatePipe") {
        EXPECT_TRUE(Contains(run.lines, L"[SetupPipeAndReader] Failed to create Pipe. [Error: 5]"));
        EXPECT_TRUE(Contains(run.lines, L"RunRedistProgram: SetupPipeAndReader failed to get a valid writing pipe."));
    }
    if (run.faulted.empty()) {
        EXPECT_EQ(run.output, L"early\nlate\n");
    }

    bool exists = false;
    const std::wstring value = CurrentValue(&exists);
    if (run.faulted == "SetEnvironmentVariableW" && Contains(run.lines, L"SetEnvironmentVariable failed (5)\n") &&
        before != nullptr) {
        // Either the setting failed (the variable was never changed, and the runner puts back
        // the empty previous value it was handed) or the putting back failed (it keeps "temp").
        EXPECT_TRUE(exists);
        EXPECT_TRUE(value.empty() || value == L"temp");
    } else if (run.faulted == "SetEnvironmentVariableW" && before == nullptr && exists) {
        // The removal of a variable made for the child failed: documented as not examined.
        EXPECT_EQ(value, L"temp");
    } else if (run.faulted == "GetEnvironmentVariableW" && before != nullptr) {
        // The value could not be read, so the run does not know that it existed: the rule for
        // a variable that did not exist removes it afterwards.
        EXPECT_FALSE(exists);
    } else {
        EXPECT_EQ(exists, before != nullptr);
        if (before) {
            EXPECT_EQ(value, before);
        }
    }
}

TEST(RedistRunnerSweep, EveryPlatformCallFailsInTurn) {
    for (const wchar_t* before : {static_cast<const wchar_t*>(nullptr), L"original"}) {
        SCOPED_TRACE(before ? "variable existed" : "variable did not exist");
        SweepRun run;
        const auto faulted = cw32test::SweepFaults(
            ERROR_ACCESS_DENIED, [&] { run = RunOnce(); },
            [&](unsigned, const std::string& function) {
                run.faulted = function;
                CheckRun(run, before);
            },
            [&] { SetEnvironmentVariableW(kVariable, before); });
        // How many polls come before a read depends on the machine's load, so a call the count
        // happened to step over is made to fail by name.
        for (const char* f : {"GetEnvironmentVariableW", "SetEnvironmentVariableW", "CreatePipe", "DuplicateHandle",
                              "CreateProcessW", "PeekNamedPipe", "ReadFile", "GetExitCodeProcess"}) {
            if (faulted.count(f)) continue;
            SetEnvironmentVariableW(kVariable, before);
            wt::FailNthCall(1, ERROR_ACCESS_DENIED, f);
            run = RunOnce();
            run.faulted = wt::FaultFired() ? f : "";
            wt::DisarmFaults();
            EXPECT_EQ(run.faulted, f) << f << " was never made to fail";
            CheckRun(run, before);
        }
    }
    SetEnvironmentVariableW(kVariable, nullptr);
}

TEST(TemporaryEnvironmentSweep, EveryPlatformCallFailsInTurn) {
    // The documented answer for each failing call, with a 300-character value (read twice).
    // The caller's flag starts false, as the runner's does.
    const std::wstring long_value(300, L'v');
    struct Case {
        const char* function;
        unsigned nth;
        std::vector<std::wstring> lines;
        bool existed;
        std::wstring returned;
        bool restore_result;
        const wchar_t* after;  // null: the variable is gone
    };
    const std::wstring failed_get = L"GetEnvironmentVariable failed (5)\n";
    const std::wstring failed_set = L"SetEnvironmentVariable failed (5)\n";
    const Case cases[] = {
        // First read: no line, the flag stays false, so the restore removes the variable.
        {"GetEnvironmentVariableW", 1, {}, false, L"", true, nullptr},
        // Second, larger read: nothing is set, but the flag is still false: removed as well.
        {"GetEnvironmentVariableW", 2, {failed_get}, false, L"", true, nullptr},
        // The set: empty previous value handed back, which the restore then writes.
        {"SetEnvironmentVariableW", 1, {failed_set}, true, L"", true, L""},
        // The putting back: logged, false, the temporary value stays.
        {"SetEnvironmentVariableW", 2, {failed_set}, true, long_value, false, L"temp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " #" + std::to_string(c.nth));
        SetEnvironmentVariableW(kVariable, long_value.c_str());
        auto host = cw32test::MakeHost();
        wt::FailNthCall(c.nth, ERROR_ACCESS_DENIED, c.function);
        bool existed = false;
        const CString previous = temporarySetEnvironmentVariable(host, CString(kVariable), CString(L"temp"), existed);
        const bool restore_result = restoreEnvironmentVariable(host, CString(kVariable), previous, existed);
        EXPECT_TRUE(wt::FaultFired());
        wt::DisarmFaults();
        EXPECT_EQ(host->Unstamped(), c.lines);
        EXPECT_EQ(existed, c.existed);
        EXPECT_EQ(std::wstring(previous.GetString()), c.returned);
        EXPECT_EQ(restore_result, c.restore_result);
        bool exists = false;
        const std::wstring value = CurrentValue(&exists);
        EXPECT_EQ(exists, c.after != nullptr);
        if (c.after) {
            EXPECT_EQ(value, c.after);
        }
    }
    SetEnvironmentVariableW(kVariable, nullptr);
}

}  // namespace
