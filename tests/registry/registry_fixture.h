// Registry tests work below a key of their own, HKEY_CURRENT_USER\Software\cw32-test-<pid>-<n>,
// made fresh for each test and removed with everything below it afterwards, so they run the
// same against winport's registry and against Wine's.
#pragma once

#include <common-win32/platform.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cw32test {

// Deletes `subkey` below `root` with all its subkeys; 0 or the first error.
LONG DeleteTree(HKEY root, const std::wstring& subkey);

// Makes a key refuse reading (and with it everything, as an empty DACL does on Windows) or
// only writing and deletion (a DACL that grants reading alone). Unprotect gives full access back.
enum class Protection { DenyAll, ReadOnly };
LONG Protect(HKEY root, const std::wstring& subkey, Protection protection);
LONG Unprotect(HKEY root, const std::wstring& subkey);

// The byte image of a string as the registry stores it: its wchar_t units and one NUL.
std::vector<BYTE> StringBytes(const std::wstring& text);

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // "Software\cw32-test-..." below HKEY_CURRENT_USER, and the same with the hive name in front.
    std::wstring base_;
    std::wstring full_;
    // Makes `relative` below the test's key (all levels) and, given a name, sets that value.
    void MakeKey(const std::wstring& relative);
    void SetRaw(const std::wstring& relative, const wchar_t* name, DWORD type, const void* data, DWORD size);
    bool KeyExists(const std::wstring& relative);
    std::wstring Sub(const std::wstring& relative) const { return base_ + L"\\" + relative; }
    std::vector<std::wstring> protected_;  // keys to unprotect before removal
};

}  // namespace cw32test
