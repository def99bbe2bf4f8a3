// Path routines for installation paths: one trailing separator added or removed, splitting and
// joining with the C runtime's rules, the short form and the temporary directory, and a test
// for a plain, restricted character set. None of them logs or reports an error.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>

// Selector 0: make the text end with `slash` (append it when the last character differs).
// Any other selector: take one trailing `slash` off. An empty text is never changed.
CW32_API void HandleSlash(CString& text, wchar_t slash, int selector);
// The same on a NUL-terminated buffer of `capacity` characters (terminator included). Nothing is
// ever written at or past the capacity; a separator that does not fit leaves the text unchanged.
CW32_API void HandleSlash(wchar_t* buffer, unsigned int capacity, wchar_t slash, int selector);

CW32_API void AddTrailingBackSlash(CString& text);
CW32_API void AddTrailingBackSlash(wchar_t* buffer, unsigned int capacity);
CW32_API void RemoveTrailingBackSlash(CString& text);
CW32_API void RemoveTrailingBackSlash(wchar_t* buffer, unsigned int capacity);
CW32_API void RemoveTrailingForwardSlash(CString& text);
CW32_API void RemoveTrailingForwardSlash(wchar_t* buffer, unsigned int capacity);

// Drive ("C:"), directory (through the last slash of either kind), file name and extension (from
// the last period of the name). A null output is not wanted.
CW32_API void mySplitPath(const wchar_t* path, CString* drive, CString* directory, CString* fileName,
                          CString* extension);
// Drive letter and colon, directory with a closing backslash when it has no slash at its end,
// file name, then the extension behind one period. A null part is left out.
CW32_API void myMakePath(CString& out, const wchar_t* drive, const wchar_t* directory, const wchar_t* fileName,
                         const wchar_t* extension);

// The short form of `path`; `count` receives the system's answer (0 when it has none, then the
// result is the path unchanged; more than 260 when the short form did not fit, then it is empty).
CW32_API CString myGetShortPath(CString path, int& count);
// The system's temporary directory with its trailing separator; empty when the system has none.
CW32_API CString myGetTempPath();

// True when the path is not empty and uses only letters, digits and "_-.\:() " (letters of
// either case; nothing outside basic Latin).
CW32_API bool PathIsAscii(const wchar_t* path);
