// POSIX emulation of MsiGetProductInfoW over the registry keys in which the installer service
// keeps the products installed for the machine: the published product under
// HKLM\SOFTWARE\Classes\Installer\Products\<packed code>, and what the installation recorded under
// HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products\<packed
// code>\InstallProperties. No library logic here.
#include <winport/errors.h>
#include <winport/msi.h>
#include <winport/registry.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"

#include <algorithm>
#include <cwctype>
#include <string>

namespace {

const wchar_t kPublished[] = L"SOFTWARE\\Classes\\Installer\\Products\\";
const wchar_t kInstalled[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\";

// The properties an installation records, and the value each is kept under.
struct Property {
    const wchar_t* name;
    const wchar_t* value;
};
const Property kInstalledProperties[] = {
    {L"HelpLink", L"HelpLink"},
    {L"HelpTelephone", L"HelpTelephone"},
    {L"InstallDate", L"InstallDate"},
    {L"InstalledProductName", L"DisplayName"},
    {L"InstallLocation", L"InstallLocation"},
    {L"InstallSource", L"InstallSource"},
    {L"LocalPackage", L"LocalPackage"},
    {L"Publisher", L"Publisher"},
    {L"URLInfoAbout", L"URLInfoAbout"},
    {L"URLUpdateInfo", L"URLUpdateInfo"},
    {L"VersionMinor", L"VersionMinor"},
    {L"VersionMajor", L"VersionMajor"},
    {L"VersionString", L"DisplayVersion"},
    {L"ProductID", L"ProductID"},
    {L"RegCompany", L"RegCompany"},
    {L"RegOwner", L"RegOwner"},
};
// The properties of the published product, kept under their own names.
const std::wstring kPublishedProperties[] = {
    L"Transforms", L"Language", L"ProductName", L"AssignmentType", L"PackageCode", L"Version", L"ProductIcon",
    L"InstanceType", L"AuthorizedLUAApp",
};

// "{12345678-9ABC-DEF0-1234-56789ABCDEF0}" packed as the installer's keys name it: each of the
// first three groups reversed, then each byte of the last two with its two digits swapped.
bool PackProductCode(const std::wstring& code, std::wstring& packed) {
    if (code.size() != 38 || code[0] != L'{' || code[37] != L'}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? code[i] != L'-' : !std::iswxdigit(static_cast<wint_t>(code[i]))) return false;
    }
    std::wstring digits;
    for (std::size_t i = 1; i < 37; ++i)
        if (code[i] != L'-') digits += static_cast<wchar_t>(std::towupper(static_cast<wint_t>(code[i])));
    packed.assign(digits.rbegin() + 24, digits.rend());  // the first 8, reversed
    packed.append(digits.rbegin() + 20, digits.rbegin() + 24);
    packed.append(digits.rbegin() + 16, digits.rbegin() + 20);
    for (std::size_t i = 16; i < 32; i += 2) {
        packed += digits[i + 1];
        packed += digits[i];
    }
    return true;
}

// A value as text: strings as they are, numbers in decimal. False when the key or the value is
// missing.
bool ReadValue(const std::wstring& key_path, const wchar_t* name, std::wstring& text, bool& key_found) {
    HKEY key = nullptr;
    key_found = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) ==
                ERROR_SUCCESS;
    if (!key_found) return false;
    DWORD type = 0, size = 0;
    bool found = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        found = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&data[0]), &size) == ERROR_SUCCESS;
        if (found && type == REG_DWORD) text = std::to_wstring(*reinterpret_cast<const DWORD*>(data.data()));
        else if (found) text = data.c_str();
    }
    RegCloseKey(key);
    return found;
}

bool KeyExists(const std::wstring& key_path) {
    std::wstring ignored;
    bool found = false;
    ReadValue(key_path, L"", ignored, found);
    return found;
}

}  // namespace

extern "C" UINT WINAPI MsiGetProductInfoW(LPCWSTR szProduct, LPCWSTR szAttribute, LPWSTR lpValueBuf,
                                          LPDWORD pcchValueBuf) {
    using namespace winport::detail;
    LogCall("MsiGetProductInfoW", [&] {
        return ToUtf8(szProduct ? szProduct : L"(null)") + " " + ToUtf8(szAttribute ? szAttribute : L"(null)");
    });
    if (FaultPoint("MsiGetProductInfoW")) return GetLastError();
    std::wstring packed;
    if (szProduct == nullptr || szAttribute == nullptr || !PackProductCode(szProduct, packed)) return ERROR_INVALID_PARAMETER;
    if (lpValueBuf != nullptr && pcchValueBuf == nullptr) return ERROR_INVALID_PARAMETER;

    // A product is known by its published key; property names are compared exactly, as the
    // installer's property names are.
    const std::wstring published = kPublished + packed;
    const std::wstring installed = kInstalled + packed + L"\\InstallProperties";
    const std::wstring attribute = szAttribute;
    const bool known = KeyExists(published);
    std::wstring text;
    bool key_found = false;
    const auto* recorded = std::find_if(std::begin(kInstalledProperties), std::end(kInstalledProperties),
                                        [&](const Property& p) { return attribute == p.name; });
    if (recorded != std::end(kInstalledProperties)) {
        // Only an installed product has these; a value it did not record is empty.
        if (!known) return ERROR_UNKNOWN_PRODUCT;
        ReadValue(installed, recorded->value, text, key_found);
        if (!key_found) return ERROR_UNKNOWN_PROPERTY;
    } else if (std::find(std::begin(kPublishedProperties), std::end(kPublishedProperties), attribute) !=
               std::end(kPublishedProperties)) {
        if (!known) return ERROR_UNKNOWN_PRODUCT;
        ReadValue(published, szAttribute, text, key_found);
    } else {
        return ERROR_UNKNOWN_PROPERTY;
    }

    const DWORD length = static_cast<DWORD>(text.size());
    UINT result = ERROR_SUCCESS;
    // A buffer too small is left as it was.
    if (lpValueBuf != nullptr && *pcchValueBuf <= length) {
        result = ERROR_MORE_DATA;
    } else if (lpValueBuf != nullptr) {
        text.copy(lpValueBuf, length);
        lpValueBuf[length] = L'\0';
    }
    if (pcchValueBuf != nullptr) *pcchValueBuf = length;
    return result;
}
