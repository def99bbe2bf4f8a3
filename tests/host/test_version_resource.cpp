// The version resource of the DLL and of cw32.exe, read back the way Explorer and the
// installer service's file-version query read it: it carries the project's version.
#if defined(_WIN32)
#include "support/test_programs.h"

#include <common-win32/common-win32.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A string of the first translation's StringFileInfo block, or "(none)".
std::wstring StringValue(std::vector<BYTE>& info, const std::wstring& name) {
    WORD* translation = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < 2 * sizeof(WORD))
        return L"(none)";
    wchar_t path[64];
    swprintf(path, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    wchar_t* text = nullptr;
    if (!VerQueryValueW(info.data(), (path + name).c_str(), reinterpret_cast<void**>(&text), &size)) return L"(none)";
    return text;
}

TEST(VersionResource, CarriesTheProjectVersion) {
    const std::string version = CW32_PROJECT_VERSION;
    const std::wstring expected(version.begin(), version.end());
    for (const wchar_t* file : {L"common-win32.dll", L"cw32.exe"}) {
        SCOPED_TRACE(file);
        const std::wstring path = cw32test::ProgramDirectory() + L"\\" + file;
        DWORD unused = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
        ASSERT_NE(size, 0u) << GetLastError();
        std::vector<BYTE> info(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        wchar_t numbers[64];  // as many parts as the project's version has; FILEVERSION has four
        swprintf(numbers, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                 HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        EXPECT_EQ((std::wstring(numbers) + L".").substr(0, expected.size() + 1), expected + L".");
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

        EXPECT_EQ(StringValue(info, L"FileVersion"), expected);
        EXPECT_EQ(StringValue(info, L"ProductVersion"), expected);
        EXPECT_EQ(StringValue(info, L"ProductName"), L"common-win32");
        EXPECT_EQ(StringValue(info, L"OriginalFilename"), file);
        EXPECT_NE(StringValue(info, L"FileDescription"), L"(none)");
    }
}

}  // namespace
#endif
