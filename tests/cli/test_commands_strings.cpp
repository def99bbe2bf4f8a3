// cw32 invocations whose exit code and both streams are known to the byte: the string and text
// commands, and bad usage (exit status 2 with one line).
#include "run_cw32.h"

#include <gtest/gtest.h>

namespace cw32::cli {
namespace {

TEST(Invocations, ExitCodeOutputAndErrorAreExact) {
    struct Case {
        std::vector<std::wstring> args;
        int code;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
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
        {{L"unescape", L"C\\:\\\\a\\ b", L"--nonalpha"}, 0, "C:\\a b\n", ""},
        {{L"escape", L"--separator", L";", L"d\\;"}, 0, "d\\\\\\;\n", ""},
        {{L"utf8", L"encode", L""}, 0, "\n", ""},
        {{L"utf8", L"decode", L"41 C3A9 e2 82 ac"}, 0, "A\xc3\xa9\xe2\x82\xac\n", ""},
        {{L"log", L"info", L"--", L"--not-an-option"}, 0, "", "[I] --not-an-option\n"},
        {{L"log", L"info", L"-1"}, 0, "", "[I] -1\n"},
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
        {{L"--arg", L"NAME", L"date"}, 2, "", "cw32: --arg: 'NAME' is not NAME=VALUE\n"},
        {{L"--arg==v", L"date"}, 2, "", "cw32: --arg: '=v' is not NAME=VALUE\n"},
        {{L"--log"}, 2, "", "cw32: option '--log' needs a value\n"},
        {{L"--quiet=1", L"date"}, 2, "", "cw32: option '--quiet' takes no value\n"},
        {{L"message", L"2", L"--lang", L"70000"}, 2, "", "cw32: message: '70000' is out of range (0 to 65535)\n"},
        {{L"log", L"loud", L"x"}, 2, "", "cw32: log: unknown level 'loud' (info, warning, error or message)\n"},
        {{L"log", L"info", L"a", L"b"}, 2, "", "cw32: log: unexpected argument 'b'\n"},
        {{L"escape", L"x"}, 2, "", "cw32: escape: give exactly one of --nonalpha and --separator S\n"},
        {{L"escape", L"--nonalpha", L"--separator", L";", L"x"}, 2, "",
         "cw32: escape: give exactly one of --nonalpha and --separator S\n"},
        {{L"unescape", L"--separator=", L"x"}, 2, "", "cw32: unescape: the separator is empty\n"},
        {{L"utf8", L"decode", L"41 00 42"}, 2, "", "cw32: utf8: a 00 byte cannot be decoded\n"},
        {{L"utf8", L"flip", L"x"}, 2, "", "cw32: utf8: unknown action 'flip' (encode or decode)\n"},
        {{L"date", L"--utc"}, 2, "", "cw32: date: unknown option '--utc' (see 'cw32 date --help')\n"},
        {{L"plan", L"--keep-going"}, 2, "", "cw32: plan: missing FILE\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Shown(c.args));
        const Outcome o = RunCw32(c.args);
        EXPECT_EQ(o.code, c.code) << o.err;
        EXPECT_EQ(o.out, c.out);
        EXPECT_EQ(o.err, c.err);
    }
}

TEST(PathCommand, ShortAndTemporaryPaths) {
    const Outcome temp = RunCw32({L"path", L"temp"});
    ASSERT_EQ(temp.code, 0) << temp.err;
    ASSERT_GT(temp.out.size(), 2u);
    const std::wstring temp_path = FromUtf8(temp.out.substr(0, temp.out.size() - 1));
    const Outcome found = RunCw32({L"path", L"short", temp_path});
    EXPECT_EQ(found.code, 0) << found.err;
    EXPECT_FALSE(found.out.empty());
    const std::wstring missing = temp_path + L"cw32-no-such-entry-4711";
    const Outcome refused = RunCw32({L"path", L"short", missing});
    EXPECT_EQ(refused.code, 1);
    // The system's text follows; Wine's differs from Windows'.
    EXPECT_EQ(refused.err.rfind("cw32: path short '" + ToUtf8(missing) + "': error 2: ", 0), 0u) << refused.err;
}

}  // namespace
}  // namespace cw32::cli
