// The syntax of plan files: lines into steps, steps into words. Pure: no I/O, no host.
#include "plan.h"

namespace cw32::cli {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsNameStart(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_'; }
bool IsNameChar(wchar_t c) { return IsNameStart(c) || (c >= L'0' && c <= L'9'); }

bool IsName(const std::wstring& text) {
    if (text.empty() || !IsNameStart(text[0])) return false;
    for (const wchar_t c : text) {
        if (!IsNameChar(c)) return false;
    }
    return true;
}

void AppendLiteral(PlanWord& word, const std::wstring& text) {
    if (!word.empty() && !word.back().variable) {
        word.back().text += text;
    } else {
        word.push_back({false, text});
    }
}

void AppendLiteral(PlanWord& word, wchar_t c) { AppendLiteral(word, std::wstring(1, c)); }

std::wstring TrimBlanks(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

class LineTokenizer {
public:
    explicit LineTokenizer(const std::wstring& line) : line_(line) {}

    // False with `error` set when the line is malformed.
    bool Run(std::vector<PlanWord>& words, std::wstring& error) {
        PlanWord word;
        bool in_word = false;  // '' is a word too, an empty one
        while (i_ < line_.size()) {
            const wchar_t c = line_[i_];
            if (IsBlank(c)) {
                if (in_word) words.push_back(std::move(word));
                word.clear();
                in_word = false;
                ++i_;
                continue;
            }
            if (!in_word && c == L'#') break;
            in_word = true;
            bool ok = true;
            if (c == L'\'') {
                ok = ReadSingleQuoted(word, error);
            } else if (c == L'"') {
                ok = ReadDoubleQuoted(word, error);
            } else if (c == L'\\') {
                if (i_ + 1 == line_.size()) {
                    error = L"the line ends with a backslash";
                    return false;
                }
                AppendLiteral(word, line_[i_ + 1]);
                i_ += 2;
            } else if (c == L'$') {
                ok = ReadReference(word, error);
            } else {
                AppendLiteral(word, c);
                ++i_;
            }
            if (!ok) return false;
        }
        if (in_word) words.push_back(std::move(word));
        return true;
    }

private:
    bool ReadSingleQuoted(PlanWord& word, std::wstring& error) {
        const std::size_t close = line_.find(L'\'', i_ + 1);
        if (close == std::wstring::npos) {
            error = L"the line ends inside single quotes";
            return false;
        }
        AppendLiteral(word, line_.substr(i_ + 1, close - i_ - 1));
        i_ = close + 1;
        return true;
    }

    bool ReadDoubleQuoted(PlanWord& word, std::wstring& error) {
        ++i_;
        for (;;) {
            if (i_ == line_.size()) {
                error = L"the line ends inside double quotes";
                return false;
            }
            const wchar_t c = line_[i_];
            if (c == L'"') {
                ++i_;
                return true;
            }
            // Only the characters that would otherwise end the quotes or start a reference
            // are escaped, so "C:\dir" keeps its backslash.
            if (c == L'\\' && i_ + 1 < line_.size() &&
                (line_[i_ + 1] == L'"' || line_[i_ + 1] == L'\\' || line_[i_ + 1] == L'$')) {
                AppendLiteral(word, line_[i_ + 1]);
                i_ += 2;
            } else if (c == L'$') {
                if (!ReadReference(word, error)) return false;
            } else {
                AppendLiteral(word, c);
                ++i_;
            }
        }
    }

    // At a '$': ${NAME}, $NAME, or a '$' that starts no reference and stands for itself.
    bool ReadReference(PlanWord& word, std::wstring& error) {
        const std::size_t next = i_ + 1;
        if (next < line_.size() && line_[next] == L'{') {
            const std::size_t close = line_.find(L'}', next + 1);
            if (close == std::wstring::npos) {
                error = L"'${' without its '}'";
                return false;
            }
            const std::wstring name = line_.substr(next + 1, close - next - 1);
            if (!IsName(name)) {
                error = L"'${" + name + L"}' does not name an argument";
                return false;
            }
            word.push_back({true, name});
            i_ = close + 1;
            return true;
        }
        if (next < line_.size() && IsNameStart(line_[next])) {
            std::size_t end = next;
            while (end < line_.size() && IsNameChar(line_[end])) ++end;
            word.push_back({true, line_.substr(next, end - next)});
            i_ = end;
            return true;
        }
        AppendLiteral(word, L'$');
        i_ = next;
        return true;
    }

    const std::wstring& line_;
    std::size_t i_ = 0;
};

}  // namespace

PlanSyntax TokenizePlan(const std::wstring& text) {
    PlanSyntax syntax;
    std::size_t start = !text.empty() && text[0] == L'\xFEFF' ? 1 : 0;
    for (int number = 1;; ++number) {
        std::size_t end = text.find(L'\n', start);
        const bool last = end == std::wstring::npos;
        if (last) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();

        std::vector<PlanWord> words;
        std::wstring error;
        if (!LineTokenizer(line).Run(words, error)) {
            syntax.steps.clear();  // a plan with a syntax error runs no step at all
            syntax.error_line = number;
            syntax.error = error;
            return syntax;
        }
        if (!words.empty()) syntax.steps.push_back({number, TrimBlanks(line), std::move(words)});
        if (last) return syntax;
        start = end + 1;
    }
}

bool ExpandWord(const PlanWord& word, const ArgumentLookup& lookup, std::wstring& expanded, std::wstring& missing) {
    expanded.clear();
    for (const PlanPiece& piece : word) {
        if (!piece.variable) {
            expanded += piece.text;
            continue;
        }
        const std::wstring* value = lookup(piece.text);
        if (value == nullptr) {
            missing = piece.text;
            return false;
        }
        expanded += *value;
    }
    return true;
}

}  // namespace cw32::cli
