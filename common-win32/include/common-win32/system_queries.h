// Texts fetched from the system into a CString: a file's version and an installed product's
// property through the installer service, a value of an INI file, the computer name. Each
// returns the system's own answer unchanged (result code, count or success flag), so callers
// can tell the failures apart; none logs or throws.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>

// The version resource's file version ("10.0.19041.1"): 0, or 2 (no such file), 5 (refused),
// 1006 (no version resource) after one call, else the second call's code.
CW32_API unsigned int myMsiGetFileVersion(const wchar_t* path, CString& version);
// An installed product's property: 0, or the installer service's code for an unknown product
// (1605), an unknown property (1608) or a malformed product code (87), with the value empty.
CW32_API unsigned int myMsiGetProductInfo(const wchar_t* product, const wchar_t* property, CString& value);
// A value of an INI file, read with a buffer that grows by 260 characters while the text fills
// it and the buffer is not yet larger than `limit`. Returns the count of the last read (the
// default's length for a missing key); the value is the text up to its first NUL.
CW32_API unsigned int myGetPrivateProfileString(const wchar_t* section, const wchar_t* key,
                                                const wchar_t* defaultValue, CString& value, const wchar_t* file,
                                                unsigned int limit);
// The NetBIOS name of this computer, as the system gives it.
CW32_API bool myGetComputerName(CString& name);
