// cw32's process, environment, loader and progress subcommands, run in this process against
// the demo redistributable and the loader's test library.
#include "run_cw32.h"
#include "support/test_programs.h"

#include <gtest/gtest.h>

namespace cw32::cli {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ProcessCommands, RunLoadAndProgressReportWhatHappened) {
    const std::wstring plugin = cw32test::TestPluginPath();
    struct Case {
        std::vector<std::wstring> args;
        int code;
        std::vector<std::string> out_has;
        std::vector<std::string> err_has;
    };
    const Case cases[] = {
        {{L"run", L"--", L"cw32-demo-redist", L"--sleep", L"100", L"--out", L"two words", L"--sleep", L"300", L"--exit", L"5"},
         0,
         {"exit code: 5\n"},
         {"[I] two words\n", "RunRedistProgram: return value 5"}},
        {{L"run", L"--exit-code", L"--mask", L"5", L"--", L"cw32-demo-redist --sleep 100 --exit 5"},
         5,
         {"exit code: 5\n"},
         {"RunRedistProgram: return value *"}},
        {{L"run", L"--capture", L"--mask-pairs", L"value|VALUE", L"--env", L"CW32_CLI_VAR=from cw32", L"--",
          L"cw32-demo-redist", L"--sleep", L"100", L"--env", L"CW32_CLI_VAR", L"--sleep", L"300", L"--exit", L"0"},
         0,
         {"CW32_CLI_VAR=from cw32\nexit code: 0\n"},
         {"RunRedistProgram: return VALUE 0"}},
        {{L"run", L"--no-wait", L"--", L"cw32-demo-redist --sleep 200 --exit 0"},
         0,
         {"exit code: 259\n"},
         {"launch process and return without waiting"}},
        {{L"run", L"--", L"cw32-no-such-program-here"}, 1, {}, {"RunRedistProgram: failed: 2", "cw32: run 'cw32-no-such-program-here': error 2: "}},
        {{L"env", L"set-temp", L"CW32_CLI_VAR", L"temporary", L"--", L"cw32-demo-redist", L"--sleep", L"100", L"--env",
          L"CW32_CLI_VAR", L"--sleep", L"300", L"--exit", L"0"},
         0,
         {"exit code: 0\n"},
         {"[I] CW32_CLI_VAR=temporary\n", "Environment variable CW32_CLI_VAR does not exist."}},
        {{L"progress", L"time", L"3"}, 0, {}, {"UseProgressTime: 300000 ticks"}},
        {{L"progress", L"add-ticks", L"-5"}, 0, {}, {"AddTimeToProgressBar: Adding -5 ticks"}},
        {{L"progress", L"sideways", L"1"}, 2, {}, {"unknown kind"}},
        {{L"run", L"--mask", L"a", L"--mask-pairs", L"b", L"--", L"x"}, 2, {}, {"at most one"}},
        {{L"load", plugin, L"PluginAnswer", L"NoSuchFunction"}, 1, {"PluginAnswer: found\nNoSuchFunction: not found\n"},
         {"[I] [CLibraryInterop] loaded DLL"}},
        {{L"load", plugin + L".missing"}, 1, {}, {"failed to load DLL"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Shown(c.args));
        const Outcome o = RunCw32(c.args);
        EXPECT_EQ(o.code, c.code) << o.err;
        for (const auto& part : c.out_has) EXPECT_TRUE(Has(o.out, part)) << o.out;
        for (const auto& part : c.err_has) EXPECT_TRUE(Has(o.err, part)) << o.err;
    }
    wchar_t buffer[8];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetEnvironmentVariableW(L"CW32_CLI_VAR", buffer, 8), 0u);  // put back: removed again
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

}  // namespace
}  // namespace cw32::cli
