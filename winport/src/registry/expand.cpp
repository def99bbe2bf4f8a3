// POSIX emulation of ExpandEnvironmentStringsW over the process environment (names compared
// without regard to case, as Windows does). Kept beside the registry, whose REG_EXPAND_SZ
// values it serves. No library logic here.
#include <winport/errors.h>
#include <winport/registry.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <strings.h>

extern char** environ;

using namespace winport::detail;

namespace {

std::optional<std::wstring> Lookup(const std::wstring& name) {
    std::string key = ToUtf8(name);
    if (const char* value = std::getenv(key.c_str())) return FromUtf8(value);
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals && static_cast<std::size_t>(equals - *entry) == key.size() &&
            strncasecmp(*entry, key.c_str(), key.size()) == 0)
            return FromUtf8(equals + 1);
    }
    return std::nullopt;
}

}  // namespace

extern "C" DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD capacity) {
    LogCall("ExpandEnvironmentStringsW", [&] { return ToUtf8(source ? source : L""); });
    if (FaultPoint("ExpandEnvironmentStringsW")) return 0;
    if (source == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring out;
    for (const wchar_t* p = source; *p;) {
        const wchar_t* close = *p == L'%' ? std::wcschr(p + 1, L'%') : nullptr;
        if (close == nullptr) {
            out += *p++;
            continue;
        }
        std::wstring name(p + 1, close);
        std::optional<std::wstring> value = name.empty() ? std::nullopt : Lookup(name);
        // An unknown name stays as written, percent signs and all.
        out += value ? *value : std::wstring(p, close + 1);
        p = close + 1;
    }
    DWORD needed = static_cast<DWORD>(out.size() + 1);
    if (destination != nullptr && capacity >= needed) std::memcpy(destination, out.c_str(), needed * sizeof(wchar_t));
    return needed;
}
