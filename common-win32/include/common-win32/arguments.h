// Argument lists: values each followed by a separator, with the backslash and the separator
// escaped inside values (see EscapeSeparator), and the host's named arguments.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/host.h>

#include <string>

// list + escaped(value) + separator.
CW32_API void WriteArg(CString& list, const wchar_t* value, const wchar_t* separator);
// escaped(value) + separator + list.
CW32_API void PrependArg(CString& list, const wchar_t* value, const wchar_t* separator);
// Takes the first value off the list: false (value untouched) when the list is empty. A last
// value without a closing separator is still a value.
CW32_API bool GetArg(CString& list, CString& value, const wchar_t* separator);
// GetArg on a copy: the same answer, the list unchanged.
CW32_API bool PeekArg(const CString& list, CString& value, const wchar_t* separator);

