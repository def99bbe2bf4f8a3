// One trailing separator added or taken off, on a CString or on a caller's fixed buffer.
#include "common-win32/paths.h"

#include <cwchar>

void HandleSlash(CString& text, wchar_t slash, int selector) {
    const int length = text.GetLength();
    if (length == 0) return;  // an empty text never gains a separator and never loses one
    const bool endsWithSlash = text.GetAt(length - 1) == slash;
    if (selector != 0) {
        if (endsWithSlash) text.Delete(length - 1);
    } else if (!endsWithSlash) {
        text.AppendChar(slash);
    }
}

void HandleSlash(wchar_t* buffer, unsigned int capacity, wchar_t slash, int selector) {
    if (buffer == nullptr || capacity == 0) return;
    // Read no further than the capacity, even when the caller's text lacks its terminator.
    const std::size_t length = wcsnlen(buffer, capacity);
    if (length == 0) return;
    const bool endsWithSlash = buffer[length - 1] == slash;
    if (selector != 0) {
        if (endsWithSlash) buffer[length - 1] = L'\0';
        return;
    }
    if (endsWithSlash) return;
    // The separator and the terminator need two more places. Without them the text stays as it
    // was: copying the extended text back bounded by the capacity would cut the separator off
    // again, and a path that silently lost a character would be worse than one left alone.
    if (length + 2 > capacity) return;
    buffer[length] = slash;
    buffer[length + 1] = L'\0';
}

void AddTrailingBackSlash(CString& text) { HandleSlash(text, L'\\', 0); }
void AddTrailingBackSlash(wchar_t* buffer, unsigned int capacity) { HandleSlash(buffer, capacity, L'\\', 0); }
void RemoveTrailingBackSlash(CString& text) { HandleSlash(text, L'\\', 1); }
void RemoveTrailingBackSlash(wchar_t* buffer, unsigned int capacity) { HandleSlash(buffer, capacity, L'\\', 1); }
void RemoveTrailingForwardSlash(CString& text) { HandleSlash(text, L'/', 1); }
void RemoveTrailingForwardSlash(wchar_t* buffer, unsigned int capacity) { HandleSlash(buffer, capacity, L'/', 1); }
