// Expansion of a message template the way FormatMessageW does it: inserts (%1 .. %99 with
// optional !printf-format!), escapes (%n %r %t %0 %% %. %! and %space) and line breaks.
#pragma once

#include <winport/types.h>

#include <cstdarg>
#include <string>
#include <string_view>

namespace winport::detail {

struct MessageInserts {
    bool ignore = false;                 // FORMAT_MESSAGE_IGNORE_INSERTS: %1 stays "%1"
    const DWORD_PTR* array = nullptr;    // FORMAT_MESSAGE_ARGUMENT_ARRAY: one slot per insert
    va_list* list = nullptr;             // otherwise the caller's variable arguments
};

// `join_lines` (line width 0xFF) turns each line break of the template into a space; otherwise
// CR LF, a lone LF and a lone CR all become CR LF. Returns false with the last error set:
// ERROR_INVALID_PARAMETER for a malformed template or inserts without arguments,
// ERROR_NOT_SUPPORTED for an insert format the system does not print (floating point).
bool RenderMessage(std::wstring_view source, const MessageInserts& inserts, bool join_lines, std::wstring& out);

}  // namespace winport::detail
