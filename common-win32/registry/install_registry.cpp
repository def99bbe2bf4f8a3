// CInstallRegistry's lifetime, its hive names and the key path.
#include <common-win32/registry.h>

#include "registry/hive_names.h"

#include <string>

namespace {

bool IsPredefined(HKEY key) { return cw32::registry::NameOfHive(key) != nullptr; }

// A handle of its own to the key behind `key`. Predefined hives need none; when the system
// refuses a second handle the copy simply has no key open. The caller's last error is kept:
// copying is not a registry operation of the class.
HKEY DuplicateKey(HKEY key) {
    if (key == nullptr || IsPredefined(key)) return key;
    const DWORD saved = GetLastError();
    HKEY copy = nullptr;
    if (RegOpenKeyExW(key, L"", 0, MAXIMUM_ALLOWED, &copy) != ERROR_SUCCESS) copy = nullptr;
    SetLastError(saved);
    return copy;
}

}  // namespace

CInstallRegistry::CInstallRegistry()
    : m_hRootKey(nullptr), m_hKey(nullptr), m_lastValueType(0), m_keyIndex(0), m_valueIndex(0) {}

// Copies refer to the same key, but each owns a handle of its own (opened anew on the same
// key), so every handle is closed exactly once whichever object goes first.
CInstallRegistry::CInstallRegistry(const CInstallRegistry& other)
    : m_hRootKey(nullptr), m_hKey(nullptr), m_lastValueType(0), m_keyIndex(0), m_valueIndex(0) {
    CopyFrom(other);
}

CInstallRegistry& CInstallRegistry::operator=(const CInstallRegistry& other) {
    if (this != &other) {
        const DWORD saved = GetLastError();
        CloseKeys();
        SetLastError(saved);
        CopyFrom(other);
    }
    return *this;
}

void CInstallRegistry::CopyFrom(const CInstallRegistry& other) {
    m_hRootKey = DuplicateKey(other.m_hRootKey);
    m_hKey = DuplicateKey(other.m_hKey);
    m_keyPath = other.m_keyPath;
    m_lastValueType = other.m_lastValueType;
    m_keyIndex = other.m_keyIndex;
    m_valueIndex = other.m_valueIndex;
}

CInstallRegistry::~CInstallRegistry() { CloseKeys(); }

void CInstallRegistry::CloseKeys() {
    if (m_hKey) RegCloseKey(m_hKey);
    if (m_hRootKey) RegCloseKey(m_hRootKey);
    m_hKey = nullptr;
    m_hRootKey = nullptr;
}

HKEY CInstallRegistry::GetHKEY() const { return m_hKey; }

const CString& CInstallRegistry::GetKeyPath() const { return m_keyPath; }

DWORD CInstallRegistry::GetLastValueType() const { return m_lastValueType; }

bool CInstallRegistry::HiveStr2HKEY(const CString& name, HKEY& handle) {
    handle = cw32::registry::HiveFromName(name.GetString(), static_cast<std::size_t>(name.GetLength()));
    return handle != nullptr;
}

bool CInstallRegistry::HiveHKEY2Str(HKEY handle, CString& name) {
    const wchar_t* found = cw32::registry::NameOfHive(handle);
    name = found ? found : L"";
    return found != nullptr;
}

bool CInstallRegistry::SplitPath(const CString& path, HKEY& root, CString& subkey) {
    HKEY hive = nullptr;
    std::wstring rest;
    if (!cw32::registry::SplitKeyPath(std::wstring(path.GetString(), static_cast<std::size_t>(path.GetLength())),
                                      false, hive, rest)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    root = hive;
    subkey = CString(rest.c_str(), static_cast<int>(rest.size()));
    return true;
}

void CInstallRegistry::SetKeyPath(HKEY root, const CString& subkey) {
    CString hive;
    if (HiveHKEY2Str(root, hive)) {
        m_keyPath = hive + L"\\" + subkey;
    } else {
        m_keyPath = subkey;
    }
}
