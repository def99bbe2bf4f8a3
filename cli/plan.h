// Installation plans: a text file of cw32 subcommands, one per line, run in order in this
// process. TokenizePlan is the pure syntax step (the tests drive it directly); RunPlan reads,
// checks and runs a plan file.
#pragma once

#include "commands.h"

#include <functional>
#include <string>
#include <vector>

namespace cw32::cli {

// A word is a sequence of literal texts and references to set arguments ($NAME, ${NAME}),
// which are looked up only when the step runs, after the `set` steps before it.
struct PlanPiece {
    bool variable;  // true: `text` names an argument
    std::wstring text;
    bool operator==(const PlanPiece& other) const { return variable == other.variable && text == other.text; }
};
using PlanWord = std::vector<PlanPiece>;

struct PlanStep {
    int line;           // 1-based
    std::wstring text;  // the line as written, without its surrounding blanks, for messages
    std::vector<PlanWord> words;
};

struct PlanSyntax {
    std::vector<PlanStep> steps;  // blank and comment lines give no step
    int error_line = 0;           // 0 when the whole text is well formed
    std::wstring error;
};

// Splits plan text into steps and words. Blanks (space, tab) separate words; 'single quotes'
// keep everything literally; "double quotes" keep everything but \" \\ \$ (which stand for the
// second character) and $ references; outside quotes a backslash keeps the next character
// literally. A '#' that starts a word starts a comment. A line may not end inside quotes or
// after an unquoted backslash. A leading byte-order mark and CR before LF are ignored.
PlanSyntax TokenizePlan(const std::wstring& text);

// Joins a word's pieces, taking each argument from `lookup` (null when not set). Returns false
// with `missing` naming the first argument that is not set.
using ArgumentLookup = std::function<const std::wstring*(const std::wstring&)>;
bool ExpandWord(const PlanWord& word, const ArgumentLookup& lookup, std::wstring& expanded, std::wstring& missing);

// Reads and checks the whole plan first (syntax, subcommand names, `set` steps), so that a
// mistake on its last line stops it before its first step runs; then runs the steps.
int RunPlan(CommandContext& context, const std::wstring& path, bool keep_going);

}  // namespace cw32::cli
