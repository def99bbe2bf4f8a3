// Registry trees to and from sections: reading a key with everything below it, and applying
// a file's sections to the registry. Every key handle is closed on every path.
#include "regfile/reg_file.h"

#include "registry/hive_names.h"
#include "support/unique_handle.h"

namespace cw32::regfile {
namespace {

LONG ReadKey(HKEY key, const std::wstring& path, std::vector<Section>& sections) {
    DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                               &longest_name, &longest_data, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    Section section;
    section.path = path;
    std::vector<wchar_t> name(longest_name + 2);
    std::vector<BYTE> data(longest_data + 1);
    for (DWORD i = 0; i < values; ++i) {
        DWORD name_length = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        rc = RegEnumValueW(key, i, name.data(), &name_length, nullptr, &type, data.data(), &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        Value value;
        value.name.assign(name.data(), name_length);
        value.type = type;
        value.data.assign(data.begin(), data.begin() + size);
        section.values.push_back(value);
    }
    sections.push_back(section);
    std::vector<std::wstring> children;
    std::vector<wchar_t> child(longest_subkey + 2);
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(child.size());
        rc = RegEnumKeyExW(key, i, child.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return rc;
        children.emplace_back(child.data(), length);
    }
    for (const std::wstring& name_of_child : children) {
        cw32::UniqueRegistryKey opened;
        rc = RegOpenKeyExW(key, name_of_child.c_str(), 0, KEY_READ, opened.put());
        if (rc != ERROR_SUCCESS) return rc;
        if ((rc = ReadKey(opened.get(), path + L"\\" + name_of_child, sections)) != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// Deletes `subkey` below `parent` with everything under it; a missing key is no error.
LONG DeleteTree(HKEY parent, const std::wstring& subkey) {
    if (subkey.empty()) return ERROR_ACCESS_DENIED;  // a hive itself cannot go
    {
        cw32::UniqueRegistryKey opened;
        LONG rc = RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ, opened.put());
        if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        wchar_t name[256];
        for (;;) {
            DWORD length = 256;
            rc = RegEnumKeyExW(opened.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) return rc;
            if ((rc = DeleteTree(opened.get(), name)) != ERROR_SUCCESS) return rc;
        }
    }
    return RegDeleteKeyW(parent, subkey.c_str());
}

LONG ApplySection(const Section& section, std::wstring& where) {
    HKEY hive = nullptr;
    std::wstring subkey;
    where = section.path;
    if (!SplitKeyPath(section.path, hive, subkey)) return ERROR_INVALID_PARAMETER;
    if (section.remove) return DeleteTree(hive, subkey);
    cw32::UniqueRegistryKey key;
    LONG rc = RegCreateKeyExW(hive, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    for (const Value& value : section.values) {
        where = section.path + L" " + (value.name.empty() ? L"@" : L"\"" + value.name + L"\"");
        if (value.remove) {
            rc = RegDeleteValueW(key.get(), value.name.c_str());
            if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        } else {
            rc = RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                                static_cast<DWORD>(value.data.size()));
        }
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

}  // namespace

bool SplitKeyPath(const std::wstring& path, HKEY& hive, std::wstring& subkey) {
    return cw32::registry::SplitKeyPath(path, true, hive, subkey);
}

LONG ReadTree(const std::wstring& path, std::vector<Section>& sections) {
    HKEY hive = nullptr;
    std::wstring subkey;
    if (!SplitKeyPath(path, hive, subkey)) return ERROR_INVALID_PARAMETER;
    cw32::UniqueRegistryKey key;
    LONG rc = RegOpenKeyExW(hive, subkey.c_str(), 0, KEY_READ, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    return ReadKey(key.get(), path, sections);
}

LONG ApplySections(const std::vector<Section>& sections, std::wstring& where) {
    for (const Section& section : sections) {
        if (LONG rc = ApplySection(section, where); rc != ERROR_SUCCESS) return rc;
    }
    where.clear();
    return ERROR_SUCCESS;
}

}  // namespace cw32::regfile
