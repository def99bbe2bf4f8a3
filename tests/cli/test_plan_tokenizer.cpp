// The plan syntax: words, quotes, escapes, comments, argument references, line numbers, errors.
#include "plan.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace cw32::cli {
namespace {

// A word as one text, each reference shown as {{NAME}} (no case below uses braces literally).
std::wstring Render(const PlanWord& word) {
    std::wstring out;
    for (const PlanPiece& piece : word) out += piece.variable ? L"{{" + piece.text + L"}}" : piece.text;
    return out;
}

std::vector<std::wstring> RenderWords(const PlanStep& step) {
    std::vector<std::wstring> words;
    for (const PlanWord& word : step.words) words.push_back(Render(word));
    return words;
}

struct LineCase {
    const char* name;
    const wchar_t* text;
    std::vector<std::wstring> words;
};

class OneLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(OneLine, GivesItsWords) {
    const PlanSyntax syntax = TokenizePlan(GetParam().text);
    ASSERT_TRUE(syntax.error.empty()) << std::string(syntax.error.begin(), syntax.error.end());
    ASSERT_EQ(syntax.steps.size(), 1u);
    EXPECT_EQ(syntax.steps[0].line, 1);
    EXPECT_EQ(RenderWords(syntax.steps[0]), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Plan, OneLine,
    ::testing::Values(
        LineCase{"PlainWords", L"log info hello", {L"log", L"info", L"hello"}},
        LineCase{"RunsOfBlanksAndTabs", L"  a \t  b\t", {L"a", L"b"}},
        LineCase{
            "SingleQuotesKeepEverything", L"'a b' 'x\\y' '$HOME' '\"' '#'", {L"a b", L"x\\y", L"$HOME", L"\"", L"#"}},
        LineCase{"DoubleQuotesEscapeQuoteBackslashDollar", L"\"say \\\"hi\\\" \\\\ \\$5\"", {L"say \"hi\" \\ $5"}},
        LineCase{"DoubleQuotesKeepOtherBackslashes", L"\"C:\\Program Files\\new\"", {L"C:\\Program Files\\new"}},
        LineCase{"BackslashOutsideQuotes", L"a\\ b c\\'d \\#e \\\\", {L"a b", L"c'd", L"#e", L"\\"}},
        LineCase{"AdjacentPartsMakeOneWord", L"a'b c'\"d e\"f", {L"ab cd ef"}},
        LineCase{"EmptyQuotesAreEmptyWords", L"x '' \"\"", {L"x", L"", L""}},
        LineCase{"CommentAfterWords", L"log info x # not a word", {L"log", L"info", L"x"}},
        LineCase{"HashInsideAWordIsText", L"a#b c# 'd'#", {L"a#b", L"c#", L"d#"}},
        LineCase{"References", L"$A ${B_1}x \"$C-d\" pre$D", {L"{{A}}", L"{{B_1}}x", L"{{C}}-d", L"pre{{D}}"}},
        LineCase{"DollarThatStartsNoName", L"$ $5 a$ \"$\" $-", {L"$", L"$5", L"a$", L"$", L"$-"}},
        LineCase{"NameEndsAtNonNameCharacter", L"$A.b ${A}B", {L"{{A}}.b", L"{{A}}B"}},
        LineCase{"NonAsciiText", L"log info \x00E9t\x00E9 '\x20AC'", {L"log", L"info", L"\x00E9t\x00E9", L"\x20AC"}},
        LineCase{"ByteOrderMarkIgnored", L"\xFEFFlog x", {L"log", L"x"}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(PlanLines, BlankAndCommentLinesGiveNoStepsAndLinesKeepTheirNumbers) {
    const PlanSyntax syntax = TokenizePlan(L"# header\r\n\r\n  first one\r\n \t\n  # indented comment\nsecond\n");
    ASSERT_TRUE(syntax.error.empty());
    ASSERT_EQ(syntax.steps.size(), 2u);
    EXPECT_EQ(syntax.steps[0].line, 3);
    EXPECT_EQ(RenderWords(syntax.steps[0]), (std::vector<std::wstring>{L"first", L"one"}));
    EXPECT_EQ(syntax.steps[1].line, 6);
    EXPECT_EQ(RenderWords(syntax.steps[1]), (std::vector<std::wstring>{L"second"}));
}

TEST(PlanLines, StepTextIsTheLineWithoutSurroundingBlanksOrCarriageReturn) {
    const PlanSyntax syntax = TokenizePlan(L"  log  info 'a b'  \r\n");
    ASSERT_EQ(syntax.steps.size(), 1u);
    EXPECT_EQ(syntax.steps[0].text, L"log  info 'a b'");
}

TEST(PlanLines, EmptyTextHasNoSteps) {
    EXPECT_TRUE(TokenizePlan(L"").steps.empty());
    EXPECT_TRUE(TokenizePlan(L"\n\n").error.empty());
}

struct ErrorCase {
    const char* name;
    const wchar_t* text;
    int line;
    const wchar_t* error;
};

class BadPlan : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(BadPlan, NamesTheLineAndRunsNothing) {
    const PlanSyntax syntax = TokenizePlan(GetParam().text);
    EXPECT_EQ(syntax.error_line, GetParam().line);
    EXPECT_EQ(syntax.error, GetParam().error);
    EXPECT_TRUE(syntax.steps.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Plan, BadPlan,
    ::testing::Values(ErrorCase{"OpenSingleQuote", L"log info ok\nlog info 'open\nlog info 'x'", 2,
                                L"the line ends inside single quotes"},
                      ErrorCase{"OpenDoubleQuote", L"log info \"open", 1, L"the line ends inside double quotes"},
                      ErrorCase{"EscapedClosingQuote", L"a\n\nb \"C:\\\"", 3, L"the line ends inside double quotes"},
                      ErrorCase{"QuoteDoesNotSpanLines", L"a 'b\nc'", 1, L"the line ends inside single quotes"},
                      ErrorCase{"TrailingBackslash", L"log info x\\\r\nnext", 1, L"the line ends with a backslash"},
                      ErrorCase{"UnclosedBrace", L"ok\nlog info ${A", 2, L"'${' without its '}'"},
                      ErrorCase{"EmptyBraces", L"x ${}", 1, L"'${}' does not name an argument"},
                      ErrorCase{"BadNameInBraces", L"x \"${1A}\"", 1, L"'${1A}' does not name an argument"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(PlanExpansion, ReplacesReferencesAndReportsTheFirstMissingOne) {
    const std::map<std::wstring, std::wstring> arguments{{L"A", L"1"}, {L"EMPTY", L""}};
    const ArgumentLookup lookup = [&](const std::wstring& name) -> const std::wstring* {
        const auto it = arguments.find(name);
        return it == arguments.end() ? nullptr : &it->second;
    };
    const PlanSyntax syntax = TokenizePlan(L"x$A-${EMPTY}y \"$A $B $C\"");
    ASSERT_EQ(syntax.steps.size(), 1u);
    std::wstring expanded;
    std::wstring missing;
    EXPECT_TRUE(ExpandWord(syntax.steps[0].words[0], lookup, expanded, missing));
    EXPECT_EQ(expanded, L"x1-y");
    EXPECT_FALSE(ExpandWord(syntax.steps[0].words[1], lookup, expanded, missing));
    EXPECT_EQ(missing, L"B");
}

TEST(PlanExpansion, ValuesAreNotScannedAgain) {
    const std::wstring value = L"$A '${A}' \\";
    const ArgumentLookup lookup = [&](const std::wstring&) { return &value; };
    const PlanSyntax syntax = TokenizePlan(L"$A");
    std::wstring expanded;
    std::wstring missing;
    ASSERT_TRUE(ExpandWord(syntax.steps[0].words[0], lookup, expanded, missing));
    EXPECT_EQ(expanded, value);
}

}  // namespace
}  // namespace cw32::cli
