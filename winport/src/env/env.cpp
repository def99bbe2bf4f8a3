// POSIX emulation of the process environment: Get/SetEnvironmentVariableW over getenv and
// setenv, with the text in UTF-8 and names matched without regard to case, as on Windows. No
// library logic here.
#include <winport/env.h>
#include <winport/errors.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

extern char** environ;

namespace {

// getenv hands out pointers into the environment that setenv may free: one lock keeps a
// read from racing a change made through winport.
std::mutex g_environment_mutex;

bool ValidName(LPCWSTR name) {
    // Windows refuses an empty name and one holding '=' after its first character.
    if (name == nullptr || *name == L'\0') return false;
    for (LPCWSTR p = name + 1; *p; ++p)
        if (*p == L'=') return false;
    return true;
}

// The spellings under which the environment holds the variable `name`: Windows matches names
// without regard to case, so "Path" and "PATH" are one variable. The caller holds the lock.
std::vector<std::string> StoredNames(LPCWSTR name) {
    const std::wstring wanted = winport::detail::FoldCase(name);
    std::vector<std::string> found;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        // A name may itself start with '=' (as Windows' per-drive "=C:" entries do).
        const char* equals = (*entry)[0] != '\0' ? std::strchr(*entry + 1, '=') : nullptr;
        if (equals == nullptr) continue;
        std::string stored(*entry, static_cast<std::size_t>(equals - *entry));
        if (winport::detail::FoldCase(winport::detail::FromUtf8(stored)) == wanted) found.push_back(std::move(stored));
    }
    return found;
}

}  // namespace

extern "C" DWORD WINAPI GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    winport::detail::LogCall("GetEnvironmentVariableW", [&] {
        return winport::detail::ToUtf8(name ? name : L"") + " size=" + std::to_string(size);
    });
    if (winport::detail::FaultPoint("GetEnvironmentVariableW")) return 0;
    if (!ValidName(name)) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    std::wstring value;
    {
        std::lock_guard<std::mutex> lock(g_environment_mutex);
        const char* raw = std::getenv(winport::detail::ToUtf8(name).c_str());
        if (raw == nullptr) {
            const std::vector<std::string> stored = StoredNames(name);
            if (!stored.empty()) raw = std::getenv(stored.front().c_str());
        }
        if (raw == nullptr) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return 0;
        }
        value = winport::detail::FromUtf8(raw);
    }
    if (value.empty()) {
        // Windows answers an empty variable with 0 and a cleared last error.
        if (buffer && size > 0) buffer[0] = L'\0';
        SetLastError(ERROR_SUCCESS);
        return 0;
    }
    return winport::detail::CopyOut(value, buffer, size);
}

extern "C" BOOL WINAPI SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
    winport::detail::LogCall("SetEnvironmentVariableW", [&] {
        return winport::detail::ToUtf8(name ? name : L"") + (value ? "=" + winport::detail::ToUtf8(value) : " (delete)");
    });
    if (winport::detail::FaultPoint("SetEnvironmentVariableW")) return FALSE;
    if (!ValidName(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string key = winport::detail::ToUtf8(name);
    std::lock_guard<std::mutex> lock(g_environment_mutex);
    // The variable under any other spelling goes: setting it keeps the name as now written,
    // as Windows does.
    for (const std::string& stored : StoredNames(name)) {
        if (stored != key) ::unsetenv(stored.c_str());
    }
    if (value == nullptr) {
        // Deleting a variable that does not exist succeeds, as on Windows.
        ::unsetenv(key.c_str());
        return TRUE;
    }
    if (::setenv(key.c_str(), winport::detail::ToUtf8(value).c_str(), 1) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
