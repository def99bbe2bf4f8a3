// ReplaceFileVariables: the variables grammar, the flags list and masking, the rewrite in
// UTF-8 with CR LF, and every failure path leaving the target as it was.
#include "scratch.h"
#include "support/test_host.h"

#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using cw32test::ScratchDir;

const std::wstring kUtf8Line = L"Output File will be UTF-8 Encoded";

std::wstring Replaced(int count, const std::wstring& name, const std::wstring& value) {
    return L"ReplaceFileVariables: Replaced " + std::to_wstring(count) + L" instances of '" + name + L"' with '" +
           value + L"' in '{F}'";
}

struct Case {
    const char* name;
    const wchar_t* variables;
    const wchar_t* flags;
    bool unescape;
    bool log_hidden;
    std::string input;
    std::string output;               // the file afterwards
    std::vector<std::wstring> log;    // unstamped, {F} standing for the file's path
    bool missing = false;             // no file to start from
};

const Case kCases[] = {
    {"two names, one repeated", L"A=\"x\",B=\"y\"", L"0,0", false, false, "A-B-A\n", "x-y-x\r\n",
     {kUtf8Line, Replaced(2, L"A", L"x"), Replaced(1, L"B", L"y")}},
    {"later pairs see earlier results", L"A=\"B\",B=\"C\"", L"0,0", false, false, "A\n", "C\r\n",
     {kUtf8Line, Replaced(1, L"A", L"B"), Replaced(1, L"B", L"C")}},
    {"a trailing comma adds nothing", L"a=\"1\",b=\"2\",", L"0,0", false, false, "ab\n", "12\r\n",
     {kUtf8Line, Replaced(1, L"a", L"1"), Replaced(1, L"b", L"2")}},
    {"a blank belongs to the name", L"a=\"1\", b=\"2\"", L"0,0", false, false, "b a b\n", "b 12\r\n",
     {kUtf8Line, Replaced(1, L"a", L"1"), Replaced(1, L" b", L"2")}},
    {"the value hidden", L"k=\"v\"", L"16", false, false, "k\n", "v\r\n", {kUtf8Line, Replaced(1, L"k", L"********")}},
    {"the name hidden", L"k=\"v\"", L"32", false, false, "k\n", "v\r\n", {kUtf8Line, Replaced(1, L"********", L"v")}},
    {"both hidden", L"k=\"v\"", L"48", false, false, "k\n", "v\r\n", {kUtf8Line, Replaced(1, L"********", L"********")}},
    {"hidden values logged in clear", L"k=\"v\"", L"48", false, true, "k\n", "v\r\n", {kUtf8Line, Replaced(1, L"k", L"v")}},
    {"flags read as _wtol reads them", L"a=\"1\",b=\"2\"", L" 16x,,", false, false, "ab\n", "12\r\n",
     {kUtf8Line, Replaced(1, L"a", L"********"), Replaced(1, L"b", L"2")}},
    {"an escaped equals sign stays in the name", L"x\\=y=\"1\"", L"0", true, false, "x=y\n", "1\r\n",
     {kUtf8Line, Replaced(1, L"x=y", L"1")}},
    {"an escaped backslash before the equals sign", L"x\\\\=\"1\"", L"0", true, false, "x\\\n", "1\r\n",
     {kUtf8Line, Replaced(1, L"x\\", L"1")}},
    {"without unescaping backslashes stay", L"x\\=\"1\"", L"0", false, false, "x\\\n", "1\r\n",
     {kUtf8Line, Replaced(1, L"x\\", L"1")}},
    {"a quote-comma inside the name", L"a=\"1\",2\",b=\"3\"", L"0,0,0", false, false, "a 2\",b b\n",
     "1  3\r\n", {kUtf8Line, Replaced(1, L"a", L"1"), Replaced(1, L"2\",b", L""), Replaced(1, L"b", L"3")}},
    {"a value without its closing quote", L"k=\"v", L"0", false, false, "kk\n", "\r\n",
     {L"ReplaceFileVariables: expected ending '\",' rest of string is: 'k=\"v'", kUtf8Line, Replaced(2, L"k", L"")}},
    {"an empty list rewrites line ends", L"", L"", false, false, "one\r\ntwo\n\nlast", "one\r\ntwo\r\n\r\nlast\r\n",
     {kUtf8Line}},
    {"a NUL byte is text like any other", L"k=\"v\"", L"0", false, false, std::string("k\0k\0\n", 5),
     std::string("v\0v\0\r\n", 6), {kUtf8Line, Replaced(2, L"k", L"v")}},
    {"8-bit input comes out as UTF-8", L"", L"", false, false, "caf\xE9\n", "caf\xC3\xA9\r\n", {kUtf8Line}},
    {"no equals sign anywhere", L"a=\"1\",junk", L"0,0", false, false, "a\n", "a\n",
     {L"ReplaceFileVariables: Incorrect formatting of string; need '=' have 'junk'"}},
    {"a replacement without a flags entry", L"a=\"1\",b=\"2\"", L"0", false, false, "a\nb\n", "a\nb\n",
     {kUtf8Line, Replaced(1, L"a", L"1"), L"ReplaceFileVariables: error reading from '{F}.tmp' writing to '{F}', aborting.."}},
    {"a missing file aborts with one line", L"a=\"1\"", L"0", false, false, "", "",
     {L"ReplaceFileVariables: error reading from '{F}.tmp' writing to '{F}', aborting.."}, true},
};

std::wstring WithPath(std::wstring line, const std::wstring& path) {
    for (std::size_t at = line.find(L"{F}"); at != std::wstring::npos; at = line.find(L"{F}", at + path.size()))
        line.replace(at, 3, path);
    return line;
}

TEST(ReplaceFileVariables, FollowsTheGrammarAndLogsEachReplacement) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        if (!c.missing) dir.WriteFile(L"conf.ini", c.input);
        const std::wstring path = dir.W(L"conf.ini");
        auto host = cw32test::MakeHost();
        ReplaceFileVariables(host, path.c_str(), c.variables, c.flags, c.unescape, c.log_hidden);
        EXPECT_EQ(dir.Exists(L"conf.ini"), !c.missing);
        EXPECT_EQ(dir.ReadFile(L"conf.ini"), c.output);
        EXPECT_FALSE(dir.Exists(L"conf.ini.tmp"));
        std::vector<std::wstring> expected;
        for (const auto& line : c.log) expected.push_back(WithPath(line, path));
        EXPECT_EQ(host->Unstamped(), expected);
        for (const auto& line : host->lines) {
            EXPECT_EQ(line.level, 2);
            EXPECT_TRUE(cw32test::HasStamp(line.text)) << std::string(line.text.begin(), line.text.end());
        }
    }
}

// Where the temporary file would go stands a folder, or (with `leftover` bytes) a read-only
// file that a crashed run left: neither this call's output nor the leftover may reach the
// target, and the leftover stays as it was.
void ExpectTargetKeptPastTemporaryFile(const char* leftover) {
    ScratchDir dir;
    dir.WriteFile(L"conf.ini", "a\n");
    if (leftover) {
        dir.WriteFile(L"conf.ini.tmp", leftover);
        dir.SetReadOnly(L"conf.ini.tmp", true);
    } else {
        dir.MakeDir(L"conf.ini.tmp");
    }
    auto host = cw32test::MakeHost();
    ReplaceFileVariables(host, dir.W(L"conf.ini").c_str(), L"a=\"1\"", L"0", false, false);
    EXPECT_EQ(dir.ReadFile(L"conf.ini"), "a\n");
    EXPECT_EQ(host->Unstamped(),
              (std::vector<std::wstring>{kUtf8Line, WithPath(Replaced(1, L"a", L"1"), dir.W(L"conf.ini"))}));
    if (leftover) {
        EXPECT_EQ(dir.ReadFile(L"conf.ini.tmp"), leftover);
        dir.SetReadOnly(L"conf.ini.tmp", false);
    }
}

TEST(ReplaceFileVariables, TemporaryFileInTheWayNeverReachesTheTarget) {
    ExpectTargetKeptPastTemporaryFile(nullptr);
    if (cw32test::WineWritesReadOnlyFiles()) GTEST_SKIP() << "Wine run as root opens read-only files for writing";
    ExpectTargetKeptPastTemporaryFile("stale\r\n");
}

}  // namespace
