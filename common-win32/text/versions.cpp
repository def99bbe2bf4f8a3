// Two comparisons of dotted version texts: one over loosely separated signed components, one
// over period-separated 16-bit components padded to a given count.
#include "common-win32/versions.h"

#include "common-win32/arguments.h"
#include "common-win32/collections.h"
#include "common-win32/platform.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

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
void ReadComponents(const wchar_t* version, CWordArray& words) {
    words.RemoveAll();
    CString rest(version != nullptr ? version : L"");
    CString component;
    while (GetArg(rest, component, L".")) {
        words.Add(static_cast<WORD>(static_cast<unsigned>(_wtoi(component.GetString()))));
    }
}

// Past its own components a version reads as zeros.
int ComponentAt(const CWordArray& words, std::intptr_t index) { return index < words.GetSize() ? words[index] : 0; }

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
    CWordArray a, b;
    ReadComponents(first, a);
    ReadComponents(second, b);
    // The zero padding is read rather than stored: nothing beyond the longer version can
    // differ, so a huge count costs no more than the components that exist.
    const std::intptr_t compared = std::min<std::intptr_t>(count, std::max(a.GetSize(), b.GetSize()));
    for (std::intptr_t i = 0; i < compared; ++i) {
        const int x = ComponentAt(a, i);
        const int y = ComponentAt(b, i);
        if (x != y) return x - y;
    }
    return 0;
}
