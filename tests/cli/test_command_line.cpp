// The argument helpers of cw32: options, positional counts, numbers and hex bytes.
#include "command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace cw32::cli {
namespace {

std::wstring UsageMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const UsageError& error) {
        return error.message();
    }
    return L"(no usage error)";
}

TEST(ParseArguments, SeparatesOptionsFromPositionals) {
    const ParsedArguments parsed =
        ParseArguments(L"t", {L"a", L"--flag", L"--value", L"v1", L"-5", L"-", L"--other=x=y", L"b"},
                       {{L"--flag", false}, {L"--value", true}, {L"--other", true}});
    EXPECT_EQ(parsed.positional, (std::vector<std::wstring>{L"a", L"-5", L"-", L"b"}));
    EXPECT_TRUE(parsed.Has(L"--flag"));
    ASSERT_NE(parsed.Value(L"--value"), nullptr);
    EXPECT_EQ(*parsed.Value(L"--value"), L"v1");
    EXPECT_EQ(*parsed.Value(L"--other"), L"x=y");
    EXPECT_EQ(parsed.Value(L"--missing"), nullptr);

    const ParsedArguments ended = ParseArguments(L"t", {L"--", L"--flag", L"--"}, {{L"--flag", false}});
    EXPECT_EQ(ended.positional, (std::vector<std::wstring>{L"--flag", L"--"}));
    EXPECT_FALSE(ended.Has(L"--flag"));

    const ParsedArguments values =
        ParseArguments(L"t", {L"--value", L"--flag", L"--e="}, {{L"--value", true}, {L"--e", true}});
    EXPECT_EQ(*values.Value(L"--value"), L"--flag");  // a value may look like an option, or be empty
    EXPECT_EQ(*values.Value(L"--e"), L"");
}

TEST(ParseArguments, RejectsWithAMessageNamingTheCommand) {
    struct Case {
        std::vector<std::wstring> args;
        const wchar_t* message;
    };
    const Case cases[] = {
        {{L"x", L"--bogus"}, L"escape: unknown option '--bogus' (see 'cw32 escape --help')"},
        {{L"--bogus=1"}, L"escape: unknown option '--bogus' (see 'cw32 escape --help')"},
        {{L"x", L"--separator"}, L"escape: option '--separator' needs a value"},
        {{L"--nonalpha=yes"}, L"escape: option '--nonalpha' takes no value"},
        {{L"--nonalpha", L"--nonalpha"}, L"escape: option '--nonalpha' given twice"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsageMessage([&c] {
                      ParseArguments(L"escape", c.args, {{L"--nonalpha", false}, {L"--separator", true}});
                  }),
                  c.message);
    }
}

TEST(ExpectPositionals, NamesTheFirstMissingOrExtraArgument) {
    EXPECT_EQ(UsageMessage([] { ExpectPositionals(L"writelog", {}, {L"MESSAGE"}, {L"PASSWORD"}); }),
              L"writelog: missing MESSAGE");
    EXPECT_EQ(UsageMessage([] { ExpectPositionals(L"log", {L"info"}, {L"LEVEL", L"TEXT"}); }), L"log: missing TEXT");
    EXPECT_EQ(UsageMessage([] {
                  ExpectPositionals(L"writelog", {L"m", L"p", L"x"}, {L"MESSAGE"}, {L"PASSWORD"});
              }),
              L"writelog: unexpected argument 'x'");
    EXPECT_EQ(UsageMessage([] { ExpectPositionals(L"date", {L"now"}, {}); }), L"date: unexpected argument 'now'");
    EXPECT_EQ(UsageMessage([] { ExpectPositionals(L"writelog", {L"m"}, {L"MESSAGE"}, {L"PASSWORD"}); }),
              L"(no usage error)");
}

TEST(ParseUnsigned, ReadsDecimalAndHexUpToItsLimit) {
    struct Case {
        const wchar_t* text;
        std::uint64_t max;
        std::uint64_t value;
    };
    for (const Case& c : {Case{L"0", 0xFFFF, 0}, Case{L"0x409", 0xFFFF, 0x409}, Case{L"0XFfFf", 0xFFFF, 0xFFFF},
                          Case{L"65535", 0xFFFF, 65535}, Case{L"007", 0xFFFF, 7},
                          Case{L"4294967295", 0xFFFFFFFFu, 0xFFFFFFFFu}}) {
        EXPECT_EQ(ParseUnsigned(L"t", c.text, c.max), c.value);
    }
    for (const wchar_t* text : {L"", L"abc", L"0x", L"-1", L"+1", L" 1", L"12a", L"0x1g", L"99999999999999999999999x"}) {
        EXPECT_EQ(UsageMessage([text] { ParseUnsigned(L"message", text, 0xFFFF); }),
                  L"message: '" + std::wstring(text) + L"' is not a number");
    }
    for (const wchar_t* text : {L"65536", L"0x10000", L"99999999999999999999999"}) {
        EXPECT_EQ(UsageMessage([text] { ParseUnsigned(L"message", text, 0xFFFF); }),
                  L"message: '" + std::wstring(text) + L"' is out of range (0 to 65535)");
    }
}

TEST(HexBytes, ParsesPairsAndFormatsLowerCase) {
    EXPECT_EQ(ParseHexBytes(L"t", L" C3  A9\t41 "),
              "\xc3\xa9"
              "A");
    EXPECT_EQ(ParseHexBytes(L"t", L"00ff"), std::string("\x00\xff", 2));
    EXPECT_EQ(ParseHexBytes(L"t", L""), "");
    for (const wchar_t* text : {L"c", L"c3a", L"c 3", L"zz", L"0x41", L"c3,a9"}) {
        EXPECT_EQ(UsageMessage([text] { ParseHexBytes(L"utf8", text); }),
                  L"utf8: '" + std::wstring(text) + L"' is not a list of hex bytes");
    }
    EXPECT_EQ(FormatHexBytes(""), L"");
    EXPECT_EQ(FormatHexBytes("\xf0\x9f\x98\x80"), L"f0 9f 98 80");
    EXPECT_EQ(FormatHexBytes(std::string("\x00\x0a", 2)), L"00 0a");
}

}  // namespace
}  // namespace cw32::cli
