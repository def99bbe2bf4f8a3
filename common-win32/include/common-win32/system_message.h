// The system's message texts.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

// The system's text for an error code (with its trailing line break); false and an empty text
// when the system has none in that language.
CW32_API bool GetSystemMessage(DWORD messageId, CString& text, WORD language);
