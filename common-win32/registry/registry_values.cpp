// CInstallRegistry's value operations. Reads ask the system for the size first, make room and
// read again. String data is wchar_t units, so byte counts are sizeof(wchar_t) per character.
#include <common-win32/registry.h>

#include <cstring>
#include <vector>

namespace {

constexpr DWORD kCharBytes = sizeof(wchar_t);
constexpr DWORD kExpandBuffer = 261;  // MAX_PATH + 1: the common case needs one expansion

// Sets the last error to a registry call's result and tells whether it succeeded.
bool Report(LONG result) {
    SetLastError(static_cast<DWORD>(result));
    return result == ERROR_SUCCESS;
}

bool IsProbeAnswer(LONG result) { return result == ERROR_SUCCESS || result == ERROR_MORE_DATA; }

}  // namespace

bool CInstallRegistry::GetValue(const CString& name, CString* data, DWORD* type, DWORD* size) {
    if (data == nullptr || size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *size = 0;
    LONG result = RegQueryValueExW(m_hKey, name.GetString(), nullptr, type, nullptr, size);
    if (!IsProbeAnswer(result)) return Report(result);
    // Room for four times the reported bytes, in characters: text of any width fits.
    const DWORD room = 4 * *size + 4;
    std::vector<wchar_t> buffer(room + 1, L'\0');
    *size = room;
    result = RegQueryValueExW(m_hKey, name.GetString(), nullptr, type, reinterpret_cast<BYTE*>(buffer.data()),
                              size);
    if (!Report(result)) return false;
    *data = buffer.data();  // up to the first NUL; the buffer is zeroed past the data
    return true;
}

bool CInstallRegistry::GetString(const CString& name, CString& value) {
    m_lastValueType = 0;
    value.Empty();
    DWORD size = 0;
    LONG result = RegQueryValueExW(m_hKey, name.GetString(), nullptr, &m_lastValueType, nullptr, &size);
    if (!IsProbeAnswer(result)) return Report(result);
    std::vector<wchar_t> buffer(size / kCharBytes + 1, L'\0');
    result = RegQueryValueExW(m_hKey, name.GetString(), nullptr, &m_lastValueType,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (!Report(result)) return false;
    // Up to the first NUL or the end of the data, whichever comes first.
    const std::size_t units = size / kCharBytes;
    std::size_t length = 0;
    while (length < units && buffer[length] != L'\0') ++length;
    value = CString(buffer.data(), static_cast<int>(length));
    return true;
}

bool CInstallRegistry::GetPathString(const CString& name, CString& value) {
    if (!GetString(name, value)) return false;
    if (m_lastValueType == REG_SZ) return true;
    if (m_lastValueType != REG_EXPAND_SZ) return false;
    wchar_t small[kExpandBuffer];
    const DWORD needed = ExpandEnvironmentStringsW(value.GetString(), small, kExpandBuffer);
    if (needed == 0) return false;
    if (needed <= kExpandBuffer) {
        value = small;
        return true;
    }
    std::vector<wchar_t> large(needed + 2, L'\0');
    if (ExpandEnvironmentStringsW(value.GetString(), large.data(), needed + 2) == 0) return false;
    value = large.data();
    return true;
}

bool CInstallRegistry::GetDWord(const CString& name, DWORD* value) {
    m_lastValueType = 0;
    if (value == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD size = sizeof(DWORD);
    return Report(RegQueryValueExW(m_hKey, name.GetString(), nullptr, &m_lastValueType,
                                   reinterpret_cast<BYTE*>(value), &size));
}

bool CInstallRegistry::GetMultiString(const CString& name, CStringArray& values) {
    values.RemoveAll();
    m_lastValueType = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(m_hKey, name.GetString(), nullptr, &m_lastValueType, nullptr, &size);
    if (!IsProbeAnswer(result)) return Report(result);
    // The data and one more NUL character after it, zeroed, so every string ends inside.
    std::vector<wchar_t> buffer(size / kCharBytes + 2, L'\0');
    result = RegQueryValueExW(m_hKey, name.GetString(), nullptr, &m_lastValueType,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (!Report(result)) return false;
    std::memset(reinterpret_cast<BYTE*>(buffer.data()) + size, 0, kCharBytes);
    // Bounded by the byte count: the final terminating NUL adds no element, an empty string
    // in the middle does.
    std::size_t position = 0;
    while ((position + 1) * kCharBytes < size) {
        const wchar_t* text = buffer.data() + position;
        const std::size_t length = std::wcslen(text);
        values.Add(CString(text, static_cast<int>(length)));
        position += length + 1;
    }
    return true;
}

bool CInstallRegistry::SetString(const CString& name, const CString& value, bool expandable) {
    const DWORD bytes = static_cast<DWORD>(value.GetLength() + 1) * kCharBytes;
    return Report(RegSetValueExW(m_hKey, name.GetString(), 0, expandable ? REG_EXPAND_SZ : REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.GetString()), bytes));
}

bool CInstallRegistry::SetDWord(const CString& name, DWORD value) {
    return Report(RegSetValueExW(m_hKey, name.GetString(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof value));
}

bool CInstallRegistry::SetValue(const CString& name, const wchar_t* data, DWORD type, DWORD size) {
    return Report(RegSetValueExW(m_hKey, name.GetString(), 0, type, reinterpret_cast<const BYTE*>(data), size));
}

bool CInstallRegistry::SetMultiString(const CString& name, CStringArray& values) {
    m_lastValueType = 0;
    std::vector<wchar_t> data;
    for (std::intptr_t i = 0; i < values.GetSize(); ++i) {
        const CString& item = values[i];
        data.insert(data.end(), item.GetString(), item.GetString() + item.GetLength());
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    return Report(RegSetValueExW(m_hKey, name.GetString(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size()) * kCharBytes));
}

bool CInstallRegistry::DeleteValue(const CString& name) { return Report(RegDeleteValueW(m_hKey, name.GetString())); }

bool CInstallRegistry::EnumKeys(CString& name, bool restart) {
    if (restart) m_keyIndex = 0;
    DWORD longest = 0;
    const LONG info = RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr);
    if (info != ERROR_SUCCESS) return Report(info);
    const DWORD capacity = longest + 1;
    const DWORD index = m_keyIndex++;  // moves on whether or not this call succeeds
    std::vector<wchar_t> buffer(capacity, L'\0');
    const LONG result = RegEnumKeyW(m_hKey, index, buffer.data(), capacity);
    if (result != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(result));
    name = buffer.data();
    return result == ERROR_SUCCESS;
}

bool CInstallRegistry::EnumValues(CString& name, bool restart) {
    if (restart) m_valueIndex = 0;
    DWORD longest = 0;
    const LONG info = RegQueryInfoKeyW(m_hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       &longest, nullptr, nullptr, nullptr);
    if (info != ERROR_SUCCESS) return Report(info);
    DWORD capacity = longest + 1;
    const DWORD index = m_valueIndex++;
    std::vector<wchar_t> buffer(capacity, L'\0');
    const LONG result = RegEnumValueW(m_hKey, index, buffer.data(), &capacity, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(result));
    name = buffer.data();
    return result == ERROR_SUCCESS;
}
