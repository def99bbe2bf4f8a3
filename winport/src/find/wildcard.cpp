// File-name wildcard matching with the command shell's rules; no library logic here.
#include "find/wildcard.h"

#include <cwctype>
#include <vector>

namespace winport::detail {
namespace {

enum class Token { Literal, Star, StarBeforeDot, AnyOne, Dot };

struct Element {
    Token token;
    wchar_t ch;
};

std::vector<Element> Compile(std::wstring_view pattern) {
    std::vector<Element> out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (c == L'*')
            out.push_back({next == L'.' ? Token::StarBeforeDot : Token::Star, c});
        else if (c == L'?')
            out.push_back({Token::AnyOne, c});
        else if (c == L'.' && (next == L'\0' || next == L'*' || next == L'?'))
            out.push_back({Token::Dot, c});
        else
            out.push_back({Token::Literal, c});
    }
    return out;
}

bool SameLetter(wchar_t a, wchar_t b) {
    return a == b || std::towupper(static_cast<wint_t>(a)) == std::towupper(static_cast<wint_t>(b));
}

}  // namespace

bool HasWildcards(std::wstring_view name) { return name.find_first_of(L"*?") != std::wstring_view::npos; }

bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name) {
    const std::vector<Element> p = Compile(pattern);
    const std::size_t n = p.size(), m = name.size();
    const std::size_t last_dot = name.rfind(L'.');
    // matches[i][j]: pattern from element i matches the name from character j. Filled from the
    // ends backwards, so every pattern runs in time n*m whatever its stars.
    std::vector<std::vector<char>> matches(n + 1, std::vector<char>(m + 1, 0));
    matches[n][m] = 1;
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m + 1; j-- > 0;) {
            const bool more = j < m;
            bool ok = false;
            switch (p[i].token) {
            case Token::Star: ok = matches[i + 1][j] || (more && matches[i][j + 1]); break;
            case Token::StarBeforeDot: ok = matches[i + 1][j] || (more && j != last_dot && matches[i][j + 1]); break;
            case Token::AnyOne:
                ok = (more && name[j] != L'.' && matches[i + 1][j + 1]) || ((!more || name[j] == L'.') && matches[i + 1][j]);
                break;
            case Token::Dot: ok = (more && name[j] == L'.' && matches[i + 1][j + 1]) || (!more && matches[i + 1][j]); break;
            case Token::Literal: ok = more && SameLetter(name[j], p[i].ch) && matches[i + 1][j + 1]; break;
            }
            matches[i][j] = ok;
        }
    }
    return matches[0][0] != 0;
}

}  // namespace winport::detail
