// cw32 run in this process: global options, subcommands, exit codes, and what reaches
// standard output, standard error and the log file. What run_cw32_tests.sh already checks
// end to end (the common usage errors, log levels, the log file, failing plan steps) is not
// repeated here.
#include "commands.h"
#include "text_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace cw32::cli {
namespace {

struct Outcome {
    int code;
    std::string out;  // UTF-8 bytes
    std::string err;
};

Outcome RunCw32(const std::vector<std::wstring>& args) {
    std::ostringstream out, err;
    const int code = RunCommandLine(args, out, err);
    return {code, out.str(), err.str()};
}

std::string Shown(const std::vector<std::wstring>& args) {
    std::string shown;
    for (const auto& a : args) shown += ToUtf8(a) + " ";
    return shown;
}

// A folder of the test's own, removed at the end of the test.
class ScratchFolder {
public:
    ScratchFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("cw32-cli-") + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::wstring Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
        return PathOf(name);
    }
    std::wstring PathOf(const std::string& name) const { return (folder_ / name).wstring(); }
    static std::string Read(const std::wstring& path) {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path folder_;
};

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

TEST(GlobalOptions, BadUsageExitsTwoWithOneLine) {
    struct Case {
        std::vector<std::wstring> args;
        const char* err;
    };
    const Case cases[] = {
        {{L"--arg", L"NAME", L"date"}, "cw32: --arg: 'NAME' is not NAME=VALUE\n"},
        {{L"--arg==v", L"date"}, "cw32: --arg: '=v' is not NAME=VALUE\n"},
        {{L"--log"}, "cw32: option '--log' needs a value\n"},
        {{L"--quiet=1", L"date"}, "cw32: option '--quiet' takes no value\n"},
        {{L"message", L"2", L"--lang", L"70000"}, "cw32: message: '70000' is out of range (0 to 65535)\n"},
        {{L"log", L"loud", L"x"}, "cw32: log: unknown level 'loud' (info, warning, error or message)\n"},
        {{L"log", L"info", L"a", L"b"}, "cw32: log: unexpected argument 'b'\n"},
        {{L"escape", L"x"}, "cw32: escape: give exactly one of --nonalpha and --separator S\n"},
        {{L"escape", L"--nonalpha", L"--separator", L";", L"x"},
         "cw32: escape: give exactly one of --nonalpha and --separator S\n"},
        {{L"unescape", L"--separator=", L"x"}, "cw32: unescape: the separator is empty\n"},
        {{L"utf8", L"decode", L"41 00 42"}, "cw32: utf8: a 00 byte cannot be decoded\n"},
        {{L"utf8", L"flip", L"x"}, "cw32: utf8: unknown action 'flip' (encode or decode)\n"},
        {{L"date", L"--utc"}, "cw32: date: unknown option '--utc' (see 'cw32 date --help')\n"},
        {{L"plan", L"--keep-going"}, "cw32: plan: missing FILE\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Shown(c.args));
        const Outcome outcome = RunCw32(c.args);
        EXPECT_EQ(outcome.code, 2);
        EXPECT_EQ(outcome.err, c.err);
        EXPECT_EQ(outcome.out, "");
    }
}

TEST(Logging, TextStartingWithDashesAndTheConnectionStringPassword) {
    EXPECT_EQ(RunCw32({L"log", L"info", L"--", L"--not-an-option"}).err, "[I] --not-an-option\n");
    EXPECT_EQ(RunCw32({L"log", L"info", L"-1"}).err, "[I] -1\n");
    const Outcome connection = RunCw32({L"writelog", L"Server=x;PWD=;"});
    EXPECT_EQ(connection.code, 0);
    EXPECT_NE(connection.err.find(": Server=x;PWD=****;\n"), std::string::npos) << connection.err;
}

TEST(TextCommands, PrintTheirResultInUtf8) {
    struct Case {
        std::vector<std::wstring> args;
        const char* out;
    };
    const Case cases[] = {
        {{L"unescape", L"C\\:\\\\a\\ b", L"--nonalpha"}, "C:\\a b\n"},
        {{L"escape", L"--separator", L";", L"d\\;"}, "d\\\\\\;\n"},
        {{L"utf8", L"encode", L""}, "\n"},
        {{L"utf8", L"decode", L"41 C3A9 e2 82 ac"}, "A\xc3\xa9\xe2\x82\xac\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Shown(c.args));
        const Outcome outcome = RunCw32(c.args);
        EXPECT_EQ(outcome.code, 0) << outcome.err;
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ(outcome.err, "");
    }
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
    Outcome RunPlanText(const std::string& text, std::vector<std::wstring> extra = {}) {
        path_ = folder_.Write("steps.plan", text);
        std::vector<std::wstring> args = {L"plan", path_};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCw32(args);
    }
    std::string Where(int line) const { return ToUtf8(path_) + ":" + std::to_string(line) + ": "; }

    ScratchFolder folder_;
    std::wstring path_;
};

TEST_F(Plans, StepsRunInOrderWithSetArguments) {
    path_ = folder_.Write("steps.plan",
                          "# greeting\n"
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
    const std::wstring path = folder_.PathOf("absent.plan");
    const Outcome outcome = RunCw32({L"plan", path});
    EXPECT_EQ(outcome.code, 1);
    EXPECT_EQ(outcome.err, "cw32: plan: cannot read '" + ToUtf8(path) + "'\n");
}

TEST_F(Plans, QuietPlanWritesFailuresToTheLogFileOnly) {
    const std::wstring log = folder_.PathOf("plan.log");
    path_ = folder_.Write("steps.plan", "log info \xc3\xa9t\xc3\xa9\nlog bogus x\n");
    const Outcome outcome = RunCw32({L"--quiet", L"--log", log, L"plan", path_});
    EXPECT_EQ(outcome.code, 2);
    EXPECT_EQ(outcome.err, "cw32: log: unknown level 'bogus' (info, warning, error or message)\n");
    EXPECT_EQ(ScratchFolder::Read(log),
              "[I] \xc3\xa9t\xc3\xa9\n[E] " + Where(2) + "step failed with exit code 2: log bogus x\n");
}

}  // namespace
}  // namespace cw32::cli
