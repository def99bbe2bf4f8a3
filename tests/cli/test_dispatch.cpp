// cw32 run in this process: global options, subcommands, exit codes, and what reaches
// standard output, standard error and the log file. What run_cw32_tests.sh already checks
// end to end (the common usage errors, log levels, the log file, failing plan steps) is not
// repeated here.
#include "classlib/temp_folder.h"
#include "run_cw32.h"

#include <gtest/gtest.h>

#include <regex>

namespace cw32::cli {
namespace {

TEST(GlobalOptions, HelpForCw32AndEverySubcommand) {
    const Outcome help = RunCw32({L"--help"});
    EXPECT_EQ(help.code, 0);
    for (const Command* command : AllCommands()) {
        EXPECT_NE(help.out.find("\n  " + ToUtf8(command->name) + " "), std::string::npos) << ToUtf8(command->name);
        const Outcome own = RunCw32({command->name, L"--help"});
        EXPECT_EQ(own.code, 0);
        EXPECT_EQ(own.out.rfind("usage: cw32 " + ToUtf8(command->name), 0), 0u) << own.out;
    }
}

TEST(Logging, TheConnectionStringPasswordIsMasked) {
    const Outcome connection = RunCw32({L"writelog", L"Server=x;PWD=;"});
    EXPECT_EQ(connection.code, 0);
    EXPECT_NE(connection.err.find(": Server=x;PWD=****;\n"), std::string::npos) << connection.err;
}

TEST(SystemQueries, LocaleDateAndTime) {
    const Outcome locale = RunCw32({L"locale"});
    EXPECT_EQ(locale.code, 0) << locale.err;
    EXPECT_TRUE(
        std::regex_match(locale.out, std::regex("user language: [0-9a-fA-F]{4}\ninterface language: [0-9a-f]{4}\n")))
        << locale.out;
    EXPECT_TRUE(std::regex_match(RunCw32({L"date"}).out, std::regex("[0-9]{4}/[0-9]{2}/[0-9]{2}\n")));
    EXPECT_TRUE(std::regex_match(RunCw32({L"time"}).out, std::regex("(0[1-9]|1[0-2]):[0-5][0-9]:[0-5][0-9]\n")));
}

TEST(Host, ArgumentsFromTheCommandLineAndLevelTags) {
    std::ostringstream out, err;
    ConsoleHost host(out, err);
    host.SetArgument(L"INSTALLDIR", L"C:\\x");
    IActionContext& context = host;
    const boost::shared_ptr<std::wstring> given = context.GetArgumentValue(L"INSTALLDIR");
    const boost::shared_ptr<std::wstring> other = context.GetArgumentValue(L"installdir");
    ASSERT_TRUE(given);
    ASSERT_TRUE(other);
    EXPECT_EQ(*given, L"C:\\x");
    EXPECT_EQ(*other, L"");  // names are case-sensitive, and a name not given answers an empty text
    EXPECT_EQ(LevelTag(2), L"[I]");
    EXPECT_EQ(LevelTag(7), L"[7]");
}

class Plans : public ::testing::Test {
protected:
    void WritePlan(const std::string& text) {
        folder_.Write(L"steps.plan", text);
        path_ = folder_.Path(L"steps.plan");
    }
    Outcome RunPlanText(const std::string& text) {
        WritePlan(text);
        return RunCw32({L"plan", path_});
    }
    std::string Where(int line) const { return ToUtf8(path_) + ":" + std::to_string(line) + ": "; }

    cw32test::TempFolder folder_;
    std::wstring path_;
};

TEST_F(Plans, StepsRunInOrderWithSetArguments) {
    WritePlan("# greeting\n"
              "set greeting 'hello there'\n"
              "\n"
              "log info \"$greeting, ${who}!\"   # who comes from --arg\n"
              "set greeting changed\n"
              "log warning $greeting\n"
              "escape --nonalpha 'a b'\n");
    const Outcome outcome = RunCw32({L"--arg", L"who=you", L"plan", path_});
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.err, "[I] hello there, you!\n[W] changed\n");
    EXPECT_EQ(outcome.out, "a\\ b\n");
}

TEST_F(Plans, FailingStepGivesThePlanItsExitCode) {
    const Outcome outcome = RunPlanText("message 4294967295\nlog info after\n");
    EXPECT_EQ(outcome.code, 1);
    EXPECT_EQ(outcome.err.find("after"), std::string::npos);
}

TEST_F(Plans, BadPlansStopBeforeTheFirstStep) {
    struct Case {
        std::string text;
        int line;
        const char* problem;
    };
    const Case cases[] = {
        {"log info one\nlgo info two\n", 2, "unknown subcommand 'lgo'"},
        {"log info one\nplan other.plan\n", 2, "a plan cannot run another plan"},
        {"set c date\n$c\n", 2, "the subcommand must be written out, not taken from an argument"},
        {"set only-name\n", 1, "set takes NAME VALUE"},
        {std::string("log info one\nlog info t\0o\n", 26), 2, "a NUL byte is not plan text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.problem);
        const Outcome outcome = RunPlanText(c.text);
        EXPECT_EQ(outcome.code, 2);
        EXPECT_EQ(outcome.err, "cw32: plan: " + Where(c.line) + c.problem + "\n");
    }
}

TEST_F(Plans, ArgumentNotSetFailsItsStep) {
    const Outcome outcome = RunPlanText("log info $missing\n");
    EXPECT_EQ(outcome.code, 2);
    EXPECT_EQ(outcome.err, "cw32: plan: " + Where(1) + "argument 'missing' is not set\n[E] " + Where(1) +
                               "step failed with exit code 2: log info $missing\n");
}

TEST_F(Plans, MissingFileIsAFailure) {
    const std::wstring path = folder_.Path(L"absent.plan");
    const Outcome outcome = RunCw32({L"plan", path});
    EXPECT_EQ(outcome.code, 1);
    EXPECT_EQ(outcome.err, "cw32: plan: cannot read '" + ToUtf8(path) + "'\n");
}

TEST_F(Plans, QuietPlanWritesFailuresToTheLogFileOnly) {
    const std::wstring log = folder_.Path(L"plan.log");
    WritePlan("log info \xc3\xa9t\xc3\xa9\nlog bogus x\n");
    const Outcome outcome = RunCw32({L"--quiet", L"--log", log, L"plan", path_});
    EXPECT_EQ(outcome.code, 2);
    EXPECT_EQ(outcome.err, "cw32: log: unknown level 'bogus' (info, warning, error or message)\n");
    EXPECT_EQ(folder_.Read(L"plan.log"),
              "[I] \xc3\xa9t\xc3\xa9\n[E] " + Where(2) + "step failed with exit code 2: log bogus x\n");
}

}  // namespace
}  // namespace cw32::cli
