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
}

TEST(ParseArguments, DoubleDashEndsOptions) {
    const ParsedArguments parsed = ParseArguments(L"t", {L"--", L"--flag", L"--"}, {{L"--flag", false}});
    EXPECT_EQ(parsed.positional, (std::vector<std::wstring>{L"--flag", L"--"}));
    EXPECT_FALSE(parsed.Has(L"--flag"));
}

TEST(ParseArguments, ValueMayBeEmptyOrLookLikeAnOption) {
    const ParsedArguments parsed =
        ParseArguments(L"t", {L"--value", L"--flag", L"--e="}, {{L"--value", true}, {L"--e", true}});
    EXPECT_EQ(*parsed.Value(L"--value"), L"--flag");
    EXPECT_EQ(*parsed.Value(L"--e"), L"");
}

struct BadArguments {
    const char* name;
    std::vector<std::wstring> args;
    const wchar_t* message;
};

class ParseArgumentsRejects : public ::testing::TestWithParam<BadArguments> {};

TEST_P(ParseArgumentsRejects, WithAMessageNamingTheCommand) {
    const std::wstring message = UsageMessage([this] {
        ParseArguments(L"escape", GetParam().args, {{L"--nonalpha", false}, {L"--separator", true}});
    });
    EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ParseArgumentsRejects,
    ::testing::Values(
        BadArguments{
            "UnknownOption", {L"x", L"--bogus"}, L"escape: unknown option '--bogus' (see 'cw32 escape --help')"},
        BadArguments{
            "UnknownInlineOption", {L"--bogus=1"}, L"escape: unknown option '--bogus' (see 'cw32 escape --help')"},
        BadArguments{"MissingValue", {L"x", L"--separator"}, L"escape: option '--separator' needs a value"},
        BadArguments{"ValueForSwitch", {L"--nonalpha=yes"}, L"escape: option '--nonalpha' takes no value"},
        BadArguments{"GivenTwice", {L"--nonalpha", L"--nonalpha"}, L"escape: option '--nonalpha' given twice"}),
    [](const ::testing::TestParamInfo<BadArguments>& info) { return std::string(info.param.name); });

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

struct NumberCase {
    const wchar_t* text;
    std::uint64_t max;
    std::uint64_t value;
};

class ParseUnsignedAccepts : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseUnsignedAccepts, DecimalAndHex) {
    EXPECT_EQ(ParseUnsigned(L"t", GetParam().text, GetParam().max), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, ParseUnsignedAccepts,
                         ::testing::Values(NumberCase{L"0", 0xFFFF, 0}, NumberCase{L"2", 0xFFFF, 2},
                                           NumberCase{L"0x409", 0xFFFF, 0x409}, NumberCase{L"0XFfFf", 0xFFFF, 0xFFFF},
                                           NumberCase{L"65535", 0xFFFF, 65535}, NumberCase{L"007", 0xFFFF, 7},
                                           NumberCase{L"4294967295", 0xFFFFFFFFu, 0xFFFFFFFFu},
                                           NumberCase{L"0xffffffff", 0xFFFFFFFFu, 0xFFFFFFFFu}));

struct BadNumber {
    const wchar_t* text;
    const wchar_t* message;
};

class ParseUnsignedRejects : public ::testing::TestWithParam<BadNumber> {};

TEST_P(ParseUnsignedRejects, WithTheTextInTheMessage) {
    EXPECT_EQ(UsageMessage([this] { ParseUnsigned(L"message", GetParam().text, 0xFFFF); }), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ParseUnsignedRejects,
    ::testing::Values(
        BadNumber{L"", L"message: '' is not a number"}, BadNumber{L"abc", L"message: 'abc' is not a number"},
        BadNumber{L"0x", L"message: '0x' is not a number"}, BadNumber{L"-1", L"message: '-1' is not a number"},
        BadNumber{L"+1", L"message: '+1' is not a number"}, BadNumber{L" 1", L"message: ' 1' is not a number"},
        BadNumber{L"12a", L"message: '12a' is not a number"}, BadNumber{L"0x1g", L"message: '0x1g' is not a number"},
        BadNumber{L"99999999999999999999999x", L"message: '99999999999999999999999x' is not a number"},
        BadNumber{L"65536", L"message: '65536' is out of range (0 to 65535)"},
        BadNumber{L"0x10000", L"message: '0x10000' is out of range (0 to 65535)"},
        BadNumber{L"99999999999999999999999", L"message: '99999999999999999999999' is out of range (0 to 65535)"}));

TEST(HexBytes, ParsesPairsWithOrWithoutBlanks) {
    EXPECT_EQ(ParseHexBytes(L"t", L"c3a9"), "\xc3\xa9");
    EXPECT_EQ(ParseHexBytes(L"t", L" C3  A9\t41 "),
              "\xc3\xa9"
              "A");
    EXPECT_EQ(ParseHexBytes(L"t", L"00ff"), std::string("\x00\xff", 2));
    EXPECT_EQ(ParseHexBytes(L"t", L""), "");
}

TEST(HexBytes, RejectsOddDigitsSplitPairsAndNonHex) {
    for (const wchar_t* text : {L"c", L"c3a", L"c 3", L"zz", L"0x41", L"c3,a9"}) {
        EXPECT_EQ(UsageMessage([text] { ParseHexBytes(L"utf8", text); }),
                  L"utf8: '" + std::wstring(text) + L"' is not a list of hex bytes");
    }
}

TEST(HexBytes, FormatsLowerCasePairs) {
    EXPECT_EQ(FormatHexBytes(""), L"");
    EXPECT_EQ(FormatHexBytes("A"), L"41");
    EXPECT_EQ(FormatHexBytes("\xf0\x9f\x98\x80"), L"f0 9f 98 80");
    EXPECT_EQ(FormatHexBytes(std::string("\x00\x0a", 2)), L"00 0a");
}

}  // namespace
}  // namespace cw32::cli
