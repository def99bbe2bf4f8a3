// cw32 reg, run in this process against the platform's registry: each step's exit code and
// output, below a key of the test's own that is removed afterwards.
#include "run_cw32.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace cw32::cli {
namespace {

struct Step {
    std::vector<std::wstring> args;
    int code;
    std::string out;
    std::string err_start;  // the start of standard error, when it matters
};

class RegCommand : public ::testing::Test {
protected:
    void SetUp() override {
        key_ = L"HKEY_CURRENT_USER\\Software\\cw32-cli-reg-" + std::to_wstring(GetCurrentProcessId());
        RunCw32({L"reg", L"delete-key", key_});
    }
    void TearDown() override { RunCw32({L"reg", L"delete-key", key_}); }
    void RunSteps(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(Shown(step.args));
            const Outcome o = RunCw32(step.args);
            EXPECT_EQ(o.code, step.code) << o.err;
            EXPECT_EQ(o.out, step.out);
            EXPECT_EQ(o.err.rfind(step.err_start, 0), 0u) << o.err;
        }
    }
    std::wstring key_;
};

// Every type is set, carried through an exported file and an import, and read back.
TEST_F(RegCommand, SetsExportsImportsAndGetsEveryType) {
    const std::wstring k = key_;
    const std::wstring file = (std::filesystem::temp_directory_path() /
                               ("cw32-reg-" + std::to_string(GetCurrentProcessId()) + ".reg")).wstring();
    RunSteps({
        {{L"reg", L"set", k, L"sz", L"C:\\Program Files"}, 0, "", ""},
        {{L"reg", L"set", k, L"expand", L"%TEMP%\\x", L"--type", L"expand"}, 0, "", ""},
        {{L"reg", L"set", k, L"dword", L"0x2a", L"--type=dword"}, 0, "", ""},
        {{L"reg", L"set", k, L"qword", L"4294967296", L"--type", L"qword"}, 0, "", ""},
        {{L"reg", L"set", k, L"multi", L"one", L"two words", L"--type", L"multi"}, 0, "", ""},
        {{L"reg", L"set", k, L"binary", L"de ad be ef", L"--type", L"binary"}, 0, "", ""},
        {{L"reg", L"set", k, L"", L"the default"}, 0, "", ""},
        {{L"reg", L"set", k + L"\\sub", L"name", L"value \"quoted\""}, 0, "", ""},
        {{L"reg", L"export", k, file}, 0, "", ""},
        {{L"reg", L"delete-key", k}, 0, "", ""},
        {{L"reg", L"import", file}, 0, "", ""},
        {{L"reg", L"get", k + L"\\sub", L"name"}, 0, "value \"quoted\"\n", ""},
        {{L"reg", L"get", k, L"sz"}, 0, "C:\\Program Files\n", ""},
        {{L"reg", L"get", k, L"expand"}, 0, "%TEMP%\\x\n", ""},
        {{L"reg", L"get", k, L"dword"}, 0, "42\n", ""},
        {{L"reg", L"get", k, L"qword"}, 0, "4294967296\n", ""},
        {{L"reg", L"get", k, L"multi"}, 0, "one\ntwo words\n", ""},
        {{L"reg", L"get", k, L"binary"}, 0, "de ad be ef\n", ""},
        {{L"reg", L"get", k, L""}, 0, "the default\n", ""},
        {{L"reg", L"search", k, L"dword", L"18"}, 0, "42\n", ""},
        {{L"reg", L"delete-value", k, L"dword"}, 0, "", ""},
        {{L"reg", L"get", k, L"dword"}, 1, "", "cw32: reg get '"},
        {{L"reg", L"search", k, L"dword", L"2"}, 1, "", "cw32: reg: nothing found"},
    });
    std::filesystem::remove(file);
    RunSteps({{{L"reg", L"import", file}, 1, "", "cw32: reg: cannot read"}});
}

TEST_F(RegCommand, EnumeratesCreatesAndDeletesKeys) {
    const std::wstring k = key_;
    RunSteps({
        {{L"reg", L"create", k + L"\\b"}, 0, "", ""},
        {{L"reg", L"create", k + L"\\A\\deep"}, 0, "", ""},
        {{L"reg", L"set", k, L"v", L"1"}, 0, "", ""},
        {{L"reg", L"enum-keys", k}, 0, "A\nb\n", ""},
        {{L"reg", L"enum-values", k}, 0, "v\n", ""},
        {{L"reg", L"delete-key", k + L"\\A"}, 0, "", ""},
        {{L"reg", L"enum-keys", k}, 0, "b\n", ""},
        {{L"reg", L"enum-keys", k + L"\\missing"}, 1, "", "cw32: reg enum-keys '"},
    });
}

TEST_F(RegCommand, RejectsBadUsage) {
    const std::wstring k = key_;
    RunSteps({
        {{L"reg"}, 2, "", "cw32: reg: missing ACTION"},
        {{L"reg", L"frob"}, 2, "", "cw32: reg: unknown action 'frob'"},
        {{L"reg", L"set", k, L"v", L"x", L"--type", L"float"}, 2, "", "cw32: reg: unknown type 'float'"},
        {{L"reg", L"get", k, L"v", L"--type", L"sz"}, 2, "", "cw32: reg: --type belongs to 'reg set'"},
        {{L"reg", L"set", k, L"v", L"x", L"y"}, 2, "", "cw32: reg: unexpected argument"},
        {{L"reg", L"set", k, L"v", L"-1", L"--type", L"dword"}, 2, "", "cw32: reg:"},
        {{L"reg", L"get", L"HKLM\\Software", L"v"}, 1, "", "cw32: reg get 'HKLM\\Software': error 87: "},
        {{L"reg", L"protect", k}, 2, "", "cw32: reg:"},
    });
}

TEST_F(RegCommand, ProtectRefusesReadingUntilUnprotected) {
#if defined(_WIN32)
    GTEST_SKIP() << "protect and unprotect act on the POSIX registry only";
#endif
    const std::wstring k = key_;
    RunSteps({
        {{L"reg", L"set", k, L"v", L"x"}, 0, "", ""},
        {{L"reg", L"protect", k, L"--read"}, 0, "", ""},
        {{L"reg", L"get", k, L"v"}, 1, "", "cw32: reg get '"},
        {{L"reg", L"unprotect", k}, 0, "", ""},
        {{L"reg", L"get", k, L"v"}, 0, "x\n", ""},
        {{L"reg", L"protect", k, L"--write"}, 0, "", ""},
        {{L"reg", L"set", k, L"v", L"y"}, 1, "", "cw32: reg set '"},
        {{L"reg", L"unprotect", k}, 0, "", ""},
    });
}

}  // namespace
}  // namespace cw32::cli
