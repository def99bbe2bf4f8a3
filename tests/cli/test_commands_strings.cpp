// cw32 path, args and version: what each action prints, its exit status, and bad usage.
#include "commands.h"
#include "text_io.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace cw32::cli {
namespace {

struct Invocation {
    std::vector<std::wstring> args;
    int code;
    std::string out;  // UTF-8
    std::string err;
};

void Expect(const Invocation& run) {
    std::ostringstream out, err;
    const int code = RunCommandLine(run.args, out, err);
    std::string shown;
    for (const std::wstring& a : run.args) shown += " " + ToUtf8(a);
    EXPECT_EQ(code, run.code) << "cw32" << shown << "\n" << err.str();
    EXPECT_EQ(out.str(), run.out) << "cw32" << shown;
    EXPECT_EQ(err.str(), run.err) << "cw32" << shown;
}

TEST(StringCommands, PrintTheirResultOrExitOne) {
    for (const Invocation& run : std::vector<Invocation>{
             {{L"path", L"add-slash", L"C:\\Temp"}, 0, "C:\\Temp\\\n", ""},
             {{L"path", L"add-slash", L"--forward", L"a/b"}, 0, "a/b/\n", ""},
             {{L"path", L"remove-slash", L"C:\\Temp\\\\"}, 0, "C:\\Temp\\\n", ""},
             {{L"path", L"remove-forward-slash", L"web/x/"}, 0, "web/x\n", ""},
             {{L"path", L"split", L"C:\\dir\\file.tar.gz"}, 0,
              "drive: C:\ndirectory: \\dir\\\nname: file.tar\nextension: .gz\n", ""},
             {{L"path", L"join", L"--drive", L"C", L"--dir", L"dir", L"--name", L"file", L"--ext", L"txt"}, 0,
              "C:dir\\file.txt\n", ""},
             {{L"path", L"join"}, 0, "\n", ""},
             {{L"path", L"is-ascii", L"C:\\Program Files (x86)\\App_1-2.0"}, 0, "true\n", ""},
             {{L"path", L"is-ascii", L"C:\\Donn\u00e9es"}, 0, "false\n", ""},
             {{L"args", L"write", L"a;b", L"c"}, 0, "a\\;b;c;\n", ""},
             {{L"args", L"write", L"--separator", L"|", L"a;b", L"c|d"}, 0, "a;b|c\\|d|\n", ""},
             {{L"args", L"write"}, 0, "\n", ""},
             {{L"args", L"prepend", L"a;", L"y", L"z"}, 0, "z;y;a;\n", ""},
             {{L"args", L"get", L"a\\;b;c;"}, 0, "value: a;b\nrest: c;\n", ""},
             {{L"args", L"peek", L"a\\;b;c;"}, 0, "value: a;b\nrest: a\\;b;c;\n", ""},
             {{L"args", L"get", L"--separator", L"|", L"one|two"}, 0, "value: one\nrest: two\n", ""},
             {{L"args", L"get", L""}, 1, "", "cw32: args get: the list holds no value\n"},
             {{L"args", L"peek", L""}, 1, "", "cw32: args peek: the list holds no value\n"},
             {{L"version", L"compare", L"1.0", L"1"}, 0, "1\n", ""},
             {{L"version", L"compare", L"4.0.1", L"4,0;1"}, 0, "0\n", ""},
             {{L"version", L"compare", L"9.9", L"10.0"}, 0, "-1\n", ""},
             {{L"version", L"compare-n", L"1.2.3", L"1.2.10", L"3"}, 0, "-7\n", ""},
             {{L"version", L"compare-n", L"1.2.3", L"1.2.4", L"2"}, 0, "0\n", ""},
             {{L"version", L"compare-n", L"2", L"1", L"0"}, 1, "",
              "cw32: version compare-n: COUNT must be at least 1 (Windows error 87)\n"},
         }) {
        Expect(run);
    }
}

TEST(PathCommand, ShortAndTemporaryPaths) {
    std::ostringstream out, err;
    ASSERT_EQ(RunCommandLine({L"path", L"temp"}, out, err), 0) << err.str();
    const std::string temp = out.str();
    ASSERT_GT(temp.size(), 2u);
    const std::wstring tempPath = FromUtf8(temp.substr(0, temp.size() - 1));

    std::ostringstream shortOut, shortErr;
    EXPECT_EQ(RunCommandLine({L"path", L"short", tempPath}, shortOut, shortErr), 0) << shortErr.str();
    EXPECT_FALSE(shortOut.str().empty());

    const std::wstring missing = tempPath + L"cw32-no-such-entry-4711";
    std::ostringstream missingOut, missingErr;
    EXPECT_EQ(RunCommandLine({L"path", L"short", missing}, missingOut, missingErr), 1);
    // The system's text follows; Wine's differs from Windows'.
    EXPECT_EQ(missingErr.str().rfind("cw32: path short '" + ToUtf8(missing) + "': error 2: ", 0), 0u) << missingErr.str();
}

TEST(StringCommands, BadUsageExitsTwoWithOneLine) {
    for (const Invocation& run : std::vector<Invocation>{
             {{L"path"}, 2, "", "cw32: path: missing ACTION (see 'cw32 path --help')\n"},
             {{L"path", L"grow", L"x"}, 2, "", "cw32: path: unknown action 'grow' (see 'cw32 path --help')\n"},
             {{L"path", L"split"}, 2, "", "cw32: path split: missing PATH\n"},
             {{L"path", L"temp", L"x"}, 2, "", "cw32: path temp: unexpected argument 'x'\n"},
             {{L"path", L"split", L"--name", L"n", L"x"}, 2, "",
              "cw32: path: --drive, --dir, --name and --ext belong to join\n"},
             {{L"path", L"remove-slash", L"--forward", L"x"}, 2, "", "cw32: path: --forward belongs to add-slash\n"},
             {{L"args", L"write", L"--separator=", L"x"}, 2, "", "cw32: args: the separator is empty\n"},
             {{L"args", L"prepend"}, 2, "", "cw32: args prepend: missing LIST\n"},
             {{L"args", L"get", L"a", L"b"}, 2, "", "cw32: args get: unexpected argument 'b'\n"},
             {{L"version", L"compare", L"1"}, 2, "", "cw32: version compare: missing B\n"},
             {{L"version", L"compare-n", L"1", L"2", L"0x3"}, 2, "",
              "cw32: version compare-n: '0x3' is not a decimal number\n"},
             {{L"version", L"order", L"1", L"2"}, 2, "",
              "cw32: version: unknown action 'order' (see 'cw32 version --help')\n"},
         }) {
        Expect(run);
    }
}

}  // namespace
}  // namespace cw32::cli
