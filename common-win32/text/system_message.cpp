// System message texts.
#include "common-win32/system_message.h"

#include "support/unique_handle.h"

#include <cwchar>

bool GetSystemMessage(DWORD messageId, CString& text, WORD language) {
    text.Empty();
    cw32::UniqueLocalMemory<wchar_t*> buffer;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    const DWORD count = FormatMessageW(flags, nullptr, messageId, language, reinterpret_cast<LPWSTR>(buffer.put()), 0,
                                       nullptr);
    if (count == 0 || !buffer) return false;
    CString message(buffer.get(), static_cast<int>(count));
    // A long message arrives wrapped: the line break the system puts after character 255 is
    // not part of the text. Every other line break, the final one included, stays.
    if (message.GetLength() > 256 && message.GetAt(255) == L'\r' && message.GetAt(256) == L'\n') {
        message.Delete(255, 2);
    }
    text = message;
    return true;
}
