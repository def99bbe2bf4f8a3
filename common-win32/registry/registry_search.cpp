// The registry search that an installer's property search uses, and the two fixed probes.
// None of them logs; access denied on the key escapes from OpenKey as a `long`.
#include <common-win32/registry.h>

const int CInstallRegistry::RegistrySearchType_Directory = 0;
const int CInstallRegistry::RegistrySearchType_FileName = 1;
const int CInstallRegistry::RegistrySearchType_RawValue = 2;
const int CInstallRegistry::RegistrySearchType_64bit = 16;

namespace {

const wchar_t kProductKey[] = L"SOFTWARE\\Veltro Quorlane\\Tarsis 4.0";
const wchar_t kInstallerSubkey[] = L"\\Installer";
const wchar_t kWebServerParameters[] = L"SYSTEM\\CurrentControlSet\\Services\\W3SVC\\Parameters";

}  // namespace

CString CInstallRegistry::searchRegistry(CString keyPath, CString valueName, CString searchType) {
    const int type = _wtoi(searchType.GetString());
    DWORD access = KEY_READ;
    if (type & RegistrySearchType_64bit) access |= KEY_WOW64_64KEY;
    // The three kinds read alike: only the view flag changes what is done.
    CInstallRegistry key;
    if (!key.OpenKey(keyPath, access)) return CString();
    CString text;
    DWORD value_type = 0, size = 0;
    if (!key.GetValue(valueName, &text, &value_type, &size)) return CString();
    if (value_type != REG_DWORD) return text;
    DWORD number = 0;
    if (!key.GetDWord(valueName, &number)) return CString();
    CString decimal;
    decimal.Format(L"%d", static_cast<int>(number));
    return decimal;
}

bool GetJavaFromReg(CString* command) {
    CInstallRegistry key;
    if (!key.OpenKey(HKEY_LOCAL_MACHINE, CString(kProductKey) + kInstallerSubkey, KEY_READ)) return false;
    CString directory;
    if (!key.GetString(L"JREPath", directory) && !key.GetString(L"JDKPath", directory)) return false;
    if (command == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!directory.IsEmpty() && directory[directory.GetLength() - 1] != L'\\') directory += L'\\';
    directory += L"bin\\java\"";
    directory.Insert(0, L'"');
    *command = directory;
    return true;
}

bool isIIS7OrHigher() {
    CInstallRegistry key;
    if (!key.OpenKey(HKEY_LOCAL_MACHINE, kWebServerParameters, KEY_READ)) return false;
    DWORD major = 0;
    if (!key.GetDWord(L"MajorVersion", &major)) return false;
    return major >= 7;
}
