// The plan syntax: words, quotes, escapes, comments, argument references, line numbers, errors.
#include "plan.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace cw32::cli {
namespace {

// The words of a step, each reference shown as {{NAME}} (no case below uses braces literally).
std::vector<std::wstring> RenderWords(const PlanStep& step) {
    std::vector<std::wstring> words;
    for (const PlanWord& word : step.words) {
        std::wstring out;
        for (const PlanPiece& piece : word) out += piece.variable ? L"{{" + piece.text + L"}}" : piece.text;
        words.push_back(out);
    }
    return words;
}

TEST(PlanLine, GivesItsWords) {
    struct Case {
        const wchar_t* text;
        std::vector<std::wstring> words;
    };
    const Case cases[] = {
        {L"  log \t  info\thello\t", {L"log", L"info", L"hello"}},
        {L"'a b' 'x\\y' '$HOME' '\"' '#'", {L"a b", L"x\\y", L"$HOME", L"\"", L"#"}},
        {L"\"say \\\"hi\\\" \\\\ \\$5\"", {L"say \"hi\" \\ $5"}},
        {L"\"C:\\Program Files\\new\"", {L"C:\\Program Files\\new"}},
        {L"a\\ b c\\'d \\#e \\\\", {L"a b", L"c'd", L"#e", L"\\"}},
        {L"a'b c'\"d e\"f", {L"ab cd ef"}},
        {L"x '' \"\"", {L"x", L"", L""}},
        {L"log info x # not a word", {L"log", L"info", L"x"}},
        {L"a#b c# 'd'#", {L"a#b", L"c#", L"d#"}},
        {L"$A ${B_1}x \"$C-d\" pre$D", {L"{{A}}", L"{{B_1}}x", L"{{C}}-d", L"pre{{D}}"}},
        {L"$ $5 a$ \"$\" $-", {L"$", L"$5", L"a$", L"$", L"$-"}},
        {L"$A.b ${A}B", {L"{{A}}.b", L"{{A}}B"}},
        {L"log info \x00E9t\x00E9 '\x20AC'", {L"log", L"info", L"\x00E9t\x00E9", L"\x20AC"}},
        {L"\xFEFFlog x", {L"log", L"x"}},  // the byte order mark is ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        const PlanSyntax syntax = TokenizePlan(c.text);
        ASSERT_TRUE(syntax.error.empty()) << std::string(syntax.error.begin(), syntax.error.end());
        ASSERT_EQ(syntax.steps.size(), 1u);
        EXPECT_EQ(syntax.steps[0].line, 1);
        EXPECT_EQ(RenderWords(syntax.steps[0]), c.words);
    }
}

TEST(PlanLines, BlankAndCommentLinesGiveNoStepsAndLinesKeepTheirNumbers) {
    const PlanSyntax syntax = TokenizePlan(L"# header\r\n\r\n  first one\r\n \t\n  # indented comment\nsecond\n");
    ASSERT_TRUE(syntax.error.empty());
    ASSERT_EQ(syntax.steps.size(), 2u);
    EXPECT_EQ(syntax.steps[0].line, 3);
    EXPECT_EQ(RenderWords(syntax.steps[0]), (std::vector<std::wstring>{L"first", L"one"}));
    EXPECT_EQ(syntax.steps[1].line, 6);
    EXPECT_EQ(RenderWords(syntax.steps[1]), (std::vector<std::wstring>{L"second"}));
    // A step's text is its line without surrounding blanks or carriage return.
    EXPECT_EQ(TokenizePlan(L"  log  info 'a b'  \r\n").steps.at(0).text, L"log  info 'a b'");
    EXPECT_TRUE(TokenizePlan(L"").steps.empty());
    EXPECT_TRUE(TokenizePlan(L"\n\n").error.empty());
}

TEST(PlanLines, ErrorNamesTheLineAndGivesNoSteps) {
    struct Case {
        const wchar_t* text;
        int line;
        const wchar_t* error;
    };
    const Case cases[] = {
        {L"log info ok\nlog info 'open\nlog info 'x'", 2, L"the line ends inside single quotes"},
        {L"log info \"open", 1, L"the line ends inside double quotes"},
        {L"a\n\nb \"C:\\\"", 3, L"the line ends inside double quotes"},
        {L"a 'b\nc'", 1, L"the line ends inside single quotes"},
        {L"log info x\\\r\nnext", 1, L"the line ends with a backslash"},
        {L"ok\nlog info ${A", 2, L"'${' without its '}'"},
        {L"x ${}", 1, L"'${}' does not name an argument"},
        {L"x \"${1A}\"", 1, L"'${1A}' does not name an argument"},
    };
    for (const Case& c : cases) {
        const PlanSyntax syntax = TokenizePlan(c.text);
        EXPECT_EQ(syntax.error_line, c.line);
        EXPECT_EQ(syntax.error, c.error);
        EXPECT_TRUE(syntax.steps.empty());
    }
}

TEST(PlanExpansion, ReplacesReferencesOnceAndReportsTheFirstMissingOne) {
    const std::map<std::wstring, std::wstring> arguments{{L"A", L"1"}, {L"EMPTY", L""}, {L"RAW", L"$A '${A}' \\"}};
    const ArgumentLookup lookup = [&](const std::wstring& name) -> const std::wstring* {
        const auto it = arguments.find(name);
        return it == arguments.end() ? nullptr : &it->second;
    };
    const PlanSyntax syntax = TokenizePlan(L"x$A-${EMPTY}y \"$A $B $C\" $RAW");
    ASSERT_EQ(syntax.steps.size(), 1u);
    std::wstring expanded, missing;
    EXPECT_TRUE(ExpandWord(syntax.steps[0].words[0], lookup, expanded, missing));
    EXPECT_EQ(expanded, L"x1-y");
    EXPECT_FALSE(ExpandWord(syntax.steps[0].words[1], lookup, expanded, missing));
    EXPECT_EQ(missing, L"B");
    ASSERT_TRUE(ExpandWord(syntax.steps[0].words[2], lookup, expanded, missing));
    EXPECT_EQ(expanded, L"$A '${A}' \\");  // values are not scanned again
}

}  // namespace
}  // namespace cw32::cli
