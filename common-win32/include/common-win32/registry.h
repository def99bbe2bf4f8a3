// CInstallRegistry: one open registry key with its printable path, its values and subkey
// enumeration, and the registry searches and probes built on it.
#pragma once

#include <common-win32/collections.h>
#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/platform.h>

// Registry failures report false with the system's code as the thread's last error. The one
// exception: OpenKey (and everything that opens through it: DeleteKey, searchRegistry,
// GetJavaFromReg, isIIS7OrHigher) throws a `long` holding 5 when the system refuses access to
// the key; nothing in the library catches it.
class CW32_API CInstallRegistry {
public:
    // searchRegistry's search types, given to it as decimal text: a kind, plus the 64-bit flag.
    static const int RegistrySearchType_Directory;  // 0
    static const int RegistrySearchType_FileName;   // 1
    static const int RegistrySearchType_RawValue;   // 2
    static const int RegistrySearchType_64bit;      // 16

    CInstallRegistry();
    // A copy refers to the same key and path through a handle of its own.
    CInstallRegistry(const CInstallRegistry& other);
    CInstallRegistry& operator=(const CInstallRegistry& other);
    ~CInstallRegistry();

    // Keys. A full path is a hive name of the hive table, a backslash and the subkey.
    bool OpenKey(HKEY root, const CString& subkey, DWORD access);
    bool OpenKey(const CString& path, DWORD access);
    bool CreateKey(HKEY root, const CString& subkey);
    bool CreateKey(HKEY root, const CString& subkey, bool view64);
    bool CreateKey(const CString& path);
    bool DeleteKey(HKEY root, const CString& subkey);
    bool DeleteKey(const CString& path);
    HKEY GetHKEY() const;
    const CString& GetKeyPath() const;

    // Values of the open key; an empty name is the key's default value.
    bool GetValue(const CString& name, CString* data, DWORD* type, DWORD* size);
    bool GetString(const CString& name, CString& value);
    bool GetPathString(const CString& name, CString& value);
    bool GetDWord(const CString& name, DWORD* value);
    bool GetMultiString(const CString& name, CStringArray& values);
    bool SetString(const CString& name, const CString& value, bool expandable);
    bool SetDWord(const CString& name, DWORD value);
    bool SetValue(const CString& name, const wchar_t* data, DWORD type, DWORD size);
    bool SetMultiString(const CString& name, CStringArray& values);
    bool EnumKeys(CString& name, bool restart);
    bool EnumValues(CString& name, bool restart);
    bool DeleteValue(const CString& name);
    DWORD GetLastValueType() const;

    // The value at `keyPath`\`valueName` as text (a REG_DWORD as signed decimal), empty when
    // it is not there. `searchType` is decimal text; the 64-bit flag reads the 64-bit view.
    static CString searchRegistry(CString keyPath, CString valueName, CString searchType);

private:
    void CloseKeys();
    bool DeleteSubKeys();
    bool HiveStr2HKEY(const CString& name, HKEY& handle);
    bool HiveHKEY2Str(HKEY handle, CString& name);
    // The hive handle and subkey of a full path; false with last error 87 when it has none.
    bool SplitPath(const CString& path, HKEY& root, CString& subkey);
    void SetKeyPath(HKEY root, const CString& subkey);
    void CopyFrom(const CInstallRegistry& other);

    HKEY m_hRootKey;
    HKEY m_hKey;
    CString m_keyPath;
    DWORD m_lastValueType;
    DWORD m_keyIndex;
    DWORD m_valueIndex;
};

// The quoted java command of the runtime that the product's installer recorded
// (HKLM "SOFTWARE\Veltro Quorlane\Tarsis 4.0\Installer", JREPath or else JDKPath).
CW32_API bool GetJavaFromReg(CString* command);

// Whether the web server service reports major version 7 or later.
CW32_API bool isIIS7OrHigher();
