// CInstallRegistry's key operations: open, create and delete, by hive handle or full path.
#include <common-win32/registry.h>

bool CInstallRegistry::OpenKey(HKEY root, const CString& subkey, DWORD access) {
    CloseKeys();
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExW(root, subkey.GetString(), 0, access, &key);
    SetLastError(static_cast<DWORD>(result));
    if (result == ERROR_SUCCESS) {
        m_hKey = key;
        SetKeyPath(root, subkey);
        return true;
    }
    // The one failure that leaves the library as an exception; callers of the host catch it.
    if (result == ERROR_ACCESS_DENIED) throw static_cast<long>(result);
    return false;
}

bool CInstallRegistry::OpenKey(const CString& path, DWORD access) {
    CloseKeys();
    HKEY root = nullptr;
    CString subkey;
    if (!SplitPath(path, root, subkey)) return false;
    return OpenKey(root, subkey, access);
}

bool CInstallRegistry::CreateKey(HKEY root, const CString& subkey) { return CreateKey(root, subkey, false); }

bool CInstallRegistry::CreateKey(HKEY root, const CString& subkey, bool view64) {
    CloseKeys();
    HKEY key = nullptr;
    const REGSAM access = view64 ? (KEY_ALL_ACCESS | KEY_WOW64_64KEY) : KEY_ALL_ACCESS;
    const LONG result =
        RegCreateKeyExW(root, subkey.GetString(), 0, nullptr, 0, access, nullptr, &key, nullptr);
    SetLastError(static_cast<DWORD>(result));
    if (result != ERROR_SUCCESS) return false;
    m_hKey = key;
    SetKeyPath(root, subkey);
    return true;
}

bool CInstallRegistry::CreateKey(const CString& path) {
    CloseKeys();
    HKEY root = nullptr;
    CString subkey;
    if (!SplitPath(path, root, subkey)) return false;
    return CreateKey(root, subkey);
}

bool CInstallRegistry::DeleteKey(HKEY root, const CString& subkey) {
    // An empty subkey would open the root itself and the walk below would empty a whole hive:
    // such a request is refused as an invalid parameter.
    if (subkey.IsEmpty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!OpenKey(root, subkey, KEY_READ)) return false;
    const bool subkeys_deleted = DeleteSubKeys();
    // The last error stays as the walk left it; only the result tells of this final call.
    const bool deleted = RegDeleteKeyW(root, subkey.GetString()) == ERROR_SUCCESS;
    return deleted && subkeys_deleted;
}

bool CInstallRegistry::DeleteKey(const CString& path) {
    HKEY root = nullptr;
    CString subkey;
    if (!SplitPath(path, root, subkey)) return false;
    return DeleteKey(root, subkey);
}

// Deletes every subkey of the open key, depth first. A subkey that cannot be deleted is stepped
// over, so the others still go; the walk restarts at index 0 after each deletion because the
// remaining subkeys move up.
bool CInstallRegistry::DeleteSubKeys() {
    bool ok = true;
    CString name;
    bool more = EnumKeys(name, true);
    while (more) {
        bool deleted = false;
        {
            CInstallRegistry child;
            if (child.OpenKey(m_hKey, name, KEY_READ)) ok = child.DeleteSubKeys() && ok;
            deleted = RegDeleteKeyW(m_hKey, name.GetString()) == ERROR_SUCCESS;
            ok = ok && deleted;
        }
        more = EnumKeys(name, deleted);
    }
    return ok;
}
