// POSIX emulation of FormatMessageW over winport's table of system texts; no library logic here.
#include "core/calllog.h"
#include "core/fault.h"
#include "core/local_memory.h"
#include "message/message_format.h"
#include "message/message_table.h"
#include "core/unsupported.h"

#include <winport/errors.h>
#include <winport/message.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace winport::detail;

constexpr DWORD kKnownFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                              FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                              FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_MAX_WIDTH_MASK;

DWORD Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// winport's system texts are those of an English (United States) Windows. Language 0 and the
// user and system default pseudo-languages resolve to them, the way Windows falls back to its
// installed language; 0x409 names them and 0x009 (English, no region) accepts them. A request
// for any other language, English of another region included, finds no text, as on a Windows
// that has only the en-US language pack.
bool HasSystemTexts(DWORD language) {
    switch (language) {
    case 0x000: case 0x400: case 0x800: case 0x409: case 0x009: return true;
    default: return false;
    }
}

std::string Hex(DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(value));
    return buffer;
}

}  // namespace

extern "C" DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                       LPWSTR lpBuffer, DWORD nSize, va_list* Arguments) {
    LogCall("FormatMessageW", [&] {
        return "flags=" + Hex(dwFlags) + " id=" + std::to_string(dwMessageId) + " language=" + Hex(dwLanguageId);
    });
    const bool allocate = (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    // With ALLOCATE_BUFFER lpBuffer is where the new buffer's address goes; null it first so a
    // caller that frees it after a failure frees nothing.
    LPWSTR* allocated = reinterpret_cast<LPWSTR*>(lpBuffer);
    if (allocate && allocated) *allocated = nullptr;
    if (FaultPoint("FormatMessageW")) return 0;
    if (lpBuffer == nullptr) return Fail(ERROR_INVALID_PARAMETER);

    if (dwFlags & ~kKnownFlags) {
        ReportUnsupported("FormatMessageW", "flags " + Hex(dwFlags & ~kKnownFlags));
        return 0;
    }
    if (dwFlags & FORMAT_MESSAGE_FROM_HMODULE) {
        // winport modules carry no message tables.
        ReportUnsupported("FormatMessageW", "FORMAT_MESSAGE_FROM_HMODULE");
        return 0;
    }
    const DWORD width = dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    if (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK) {
        ReportUnsupported("FormatMessageW", "a line width of " + std::to_string(width));
        return 0;
    }
    const bool from_string = (dwFlags & FORMAT_MESSAGE_FROM_STRING) != 0;
    const bool from_system = (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) != 0;
    if (from_string == from_system) return Fail(ERROR_INVALID_PARAMETER);

    std::wstring source;
    if (from_string) {
        if (lpSource == nullptr) return Fail(ERROR_INVALID_PARAMETER);
        source = static_cast<const wchar_t*>(lpSource);
    } else {
        if (!HasSystemTexts(dwLanguageId)) return Fail(ERROR_RESOURCE_LANG_NOT_FOUND);
        // An HRESULT that wraps a Win32 error (facility 7) has that error's text.
        const bool wraps_win32 = (dwMessageId & 0xFFFF0000u) == 0x80070000u;
        std::optional<std::wstring> text = SystemMessageText(wraps_win32 ? dwMessageId & 0xFFFFu : dwMessageId);
        if (!text) return Fail(ERROR_MR_MID_NOT_FOUND);
        source = std::move(*text);
    }

    MessageInserts inserts;
    inserts.ignore = (dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    if (dwFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY) inserts.array = reinterpret_cast<const DWORD_PTR*>(Arguments);
    else inserts.list = Arguments;
    std::wstring message;
    if (!RenderMessage(source, inserts, width == FORMAT_MESSAGE_MAX_WIDTH_MASK, message)) return 0;

    // Nothing failed, but there is nothing to hand out either ("%0" alone): no buffer is made.
    if (message.empty()) return Fail(ERROR_SUCCESS);
    const std::size_t needed = message.size() + 1;
    LPWSTR out = lpBuffer;
    if (allocate) {
        const std::size_t count = std::max<std::size_t>(needed, nSize);  // nSize is the minimum to allocate
        out = static_cast<LPWSTR>(AllocateLocalBlock(count * sizeof(WCHAR), true));
        if (out == nullptr) return Fail(ERROR_NOT_ENOUGH_MEMORY);
        *allocated = out;
    } else if (needed > nSize) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(out, message.c_str(), needed * sizeof(WCHAR));
    return static_cast<DWORD>(message.size());
}
