// Argument lists: escaped values, each closed by a separator; and the host's named arguments.
#include "common-win32/arguments.h"

#include "common-win32/escaping.h"

#include <cwchar>

namespace {

// A missing separator is taken as an empty one: it never matches, so a list is one value.
const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

// Backslashes standing directly before `position`.
int BackslashesBefore(const CString& list, int position) {
    int count = 0;
    while (position - count > 0 && list.GetAt(position - count - 1) == L'\\') ++count;
    return count;
}

}  // namespace

void WriteArg(CString& list, const wchar_t* value, const wchar_t* separator) {
    separator = OrEmpty(separator);
    list += EscapeSeparator(CString(OrEmpty(value)), separator);
    list += separator;
}

void PrependArg(CString& list, const wchar_t* value, const wchar_t* separator) {
    separator = OrEmpty(separator);
    list.Insert(0, separator);
    list.Insert(0, EscapeSeparator(CString(OrEmpty(value)), separator).GetString());
}

bool GetArg(CString& list, CString& value, const wchar_t* separator) {
    if (list.IsEmpty()) return false;
    separator = OrEmpty(separator);
    const int separatorLength = static_cast<int>(std::wcslen(separator));
    int position = separatorLength > 0 ? list.Find(separator) : -1;
    // A separator behind an odd run of backslashes was escaped and belongs to the value.
    while (position >= 0 && BackslashesBefore(list, position) % 2 != 0) {
        position = list.Find(separator, position + 1);
    }
    if (position < 0) {
        value = UnescapeSeparator(list, separator);
        list.Empty();
        return true;
    }
    value = UnescapeSeparator(list.Left(position), separator);
    list = list.Mid(position + separatorLength);
    return true;
}

bool PeekArg(const CString& list, CString& value, const wchar_t* separator) {
    CString copy(list);
    return GetArg(copy, value, separator);
}
