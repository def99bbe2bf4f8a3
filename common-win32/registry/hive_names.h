// The registry's hive names and the split of a full key path ("HKEY_CURRENT_USER\Software\x"),
// in one place for the library (CInstallRegistry) and cw32 (reg export, import, protect).
// Header-only: cw32 reaches no unexported function of the DLL.
#pragma once

#include "common-win32/platform.h"

#include <cstddef>
#include <string>

namespace cw32::registry {

struct HiveName {
    const wchar_t* name;
    HKEY handle;
};

// Full names only, matched without regard to ASCII case.
inline const HiveName kHiveNames[] = {
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},   {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},     {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

// The hive named by the `length` characters at `name`; null when none is.
inline HKEY HiveFromName(const wchar_t* name, std::size_t length) {
    const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
    for (const HiveName& hive : kHiveNames) {
        std::size_t i = 0;
        while (i < length && hive.name[i] != L'\0' && upper(name[i]) == hive.name[i]) ++i;
        if (i == length && hive.name[i] == L'\0') return hive.handle;
    }
    return nullptr;
}

// The name of a predefined hive; null for any other key.
inline const wchar_t* NameOfHive(HKEY handle) {
    for (const HiveName& hive : kHiveNames)
        if (hive.handle == handle) return hive.name;
    return nullptr;
}

// Splits a full key path at its first backslash into the hive and the rest. A path that is a
// hive name alone gives an empty subkey when `hive_alone` allows it. False for an unknown hive.
inline bool SplitKeyPath(const std::wstring& path, bool hive_alone, HKEY& hive, std::wstring& subkey) {
    const std::size_t backslash = path.find(L'\\');
    if (backslash == std::wstring::npos && !hive_alone) return false;
    const HKEY found = HiveFromName(path.c_str(), backslash == std::wstring::npos ? path.size() : backslash);
    if (found == nullptr) return false;
    hive = found;
    subkey = backslash == std::wstring::npos ? std::wstring() : path.substr(backslash + 1);
    return true;
}

}  // namespace cw32::registry
