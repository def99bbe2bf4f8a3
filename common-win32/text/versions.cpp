// Two comparisons of dotted version texts: one over loosely separated signed components, one
// over period-separated 16-bit components padded to a given count.
#include "common-win32/versions.h"

#include "common-win32/arguments.h"
#include "common-win32/platform.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

bool IsLooseSeparator(wchar_t c) { return c != L'\0' && std::wcschr(L",.;:# ", c) != nullptr; }

// The next run of non-separators at or after `position`, which moves past it; empty when the
// text has no more.
CString NextComponent(const CString& text, int& position) {
    const int length = text.GetLength();
    while (position < length && IsLooseSeparator(text.GetAt(position))) ++position;
    const int start = position;
    while (position < length && !IsLooseSeparator(text.GetAt(position))) ++position;
    return text.Mid(start, position - start);
}

// Every component that GetArg takes off the text with ".", as the low 16 bits of its number.
std::vector<WORD> Components(const wchar_t* version) {
    std::vector<WORD> words;
    CString rest(version != nullptr ? version : L"");
    CString component;
    while (GetArg(rest, component, L".")) {
        words.push_back(static_cast<WORD>(static_cast<unsigned>(_wtoi(component.GetString()))));
    }
    return words;
}

}  // namespace

int compareVersionStr(const CString& first, const CString& second) {
    int firstPosition = 0;
    int secondPosition = 0;
    for (;;) {
        const CString a = NextComponent(first, firstPosition);
        const CString b = NextComponent(second, secondPosition);
        if (a.IsEmpty() && b.IsEmpty()) return 0;
        if (a.IsEmpty()) return -1;
        if (b.IsEmpty()) return 1;
        const int x = _wtoi(a.GetString());
        const int y = _wtoi(b.GetString());
        if (x != y) return x > y ? 1 : -1;
    }
}

int VersionCompare(const wchar_t* first, const wchar_t* second, int count) {
    // Comparing no components is a caller's mistake, not equality: say so through the last
    // error, and return 0 rather than throw, since callers of this library test results only.
    if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::vector<WORD> a = Components(first);
    const std::vector<WORD> b = Components(second);
    // Both versions read as zeros past their own components, so nothing beyond the longer one
    // can differ: a huge count costs no more than the components that exist.
    const std::size_t compared = std::min<std::size_t>(static_cast<std::size_t>(count), std::max(a.size(), b.size()));
    for (std::size_t i = 0; i < compared; ++i) {
        const int x = i < a.size() ? a[i] : 0;
        const int y = i < b.size() ? b[i] : 0;
        if (x != y) return x - y;
    }
    return 0;
}
