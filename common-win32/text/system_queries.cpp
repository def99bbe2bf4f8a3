// The size-probe protocols of the installer service, the profile reader and the computer name,
// each answered with the system's own result.
#include <common-win32/system_queries.h>

#include <common-win32/platform.h>

#include <vector>

namespace {

// The INI buffer grows by this many characters per read: MAX_PATH, the size most values fit.
constexpr DWORD kProfileStep = 260;

}  // namespace

unsigned int myMsiGetFileVersion(const wchar_t* path, CString& version) {
    version.Empty();
    wchar_t probe[1] = {L'\0'};
    DWORD size = 1;
    UINT result = MsiGetFileVersionW(path, probe, &size, nullptr, nullptr);
    if (result == ERROR_FILE_NOT_FOUND || result == ERROR_ACCESS_DENIED || result == ERROR_FILE_INVALID) return result;
    // The expected answer is 234 with the needed length; any other is asked once more as well,
    // so that the code returned is the one a full-sized buffer gets.
    std::vector<wchar_t> buffer(static_cast<std::size_t>(size) + 1, L'\0');
    DWORD capacity = size + 1;
    result = MsiGetFileVersionW(path, buffer.data(), &capacity, nullptr, nullptr);
    buffer.back() = L'\0';
    version = buffer.data();
    return result;
}

unsigned int myMsiGetProductInfo(const wchar_t* product, const wchar_t* property, CString& value) {
    value.Empty();
    DWORD size = 0;
    UINT result = MsiGetProductInfoW(product, property, nullptr, &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return result;
    // Twice the reported length and two more: room to spare for the text and its terminator.
    DWORD capacity = 2 * size + 2;
    std::vector<wchar_t> buffer(capacity, L'\0');
    result = MsiGetProductInfoW(product, property, buffer.data(), &capacity);
    buffer.back() = L'\0';
    value = buffer.data();
    return result;
}

unsigned int myGetPrivateProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                                       CString& value, const wchar_t* file, unsigned int limit) {
    value.Empty();
    std::vector<wchar_t> buffer;
    DWORD size = 0;
    DWORD count = 0;
    for (;;) {
        size += kProfileStep;
        buffer.assign(size, L'\0');
        count = GetPrivateProfileStringW(section, key, defaultValue, buffer.data(), size, file);
        buffer.back() = L'\0';
        value = buffer.data();
        if (size > limit || count + 1 < size) break;  // past the limit, or the text fitted
    }
    return count;
}

bool myGetComputerName(CString& name) {
    name.Empty();
    DWORD size = 0;
    GetComputerNameW(nullptr, &size);  // the needed size, terminator included
    std::vector<wchar_t> buffer(static_cast<std::size_t>(size) + 1, L'\0');
    DWORD capacity = size + 1;
    const bool ok = GetComputerNameW(buffer.data(), &capacity) != FALSE;
    buffer.back() = L'\0';
    name = buffer.data();
    return ok;
}
