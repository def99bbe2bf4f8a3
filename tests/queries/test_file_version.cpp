// MsiGetFileVersionW on the PE files that the build makes (bin/pe-fixtures/, see
// queries/fixtures/CMakeLists.txt): each fixture's version is the one its .rc gives. The size
// protocol and the codes for files without a version are compared with Windows' by tests/probes.
#include "support/test_programs.h"

#include <common-win32/platform.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Fixture(const wchar_t* name) {
    return cw32test::ProgramDirectory() + cw32test::PathSeparator() + L"pe-fixtures" + cw32test::PathSeparator() + name;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Versioned {
    const wchar_t* file;
    const wchar_t* version;   // the FILEVERSION its .rc gives
    const wchar_t* language;  // its first translation's LANGID in decimal; empty without one
};

const Versioned kVersioned[] = {
    {L"version64.dll", L"1.2.3.4", L"1033"},          {L"version64.exe", L"65535.0.65535.7", L"1031"},
    {L"version32.dll", L"10.20.30.40", L"3084"},      {L"version32.exe", L"0.0.0.1", L"0"},
    {L"nolanguage64.dll", L"2.0.0.0", L""},
};

TEST(FileVersion, ReadsTheFileVersionAndTheFirstLanguageOfEachFixture) {
    for (const Versioned& c : kVersioned) {
        const std::wstring path = Fixture(c.file);
        if (!Exists(path)) GTEST_SKIP() << "no PE fixtures: the mingw-w64 tools were not found";
        SCOPED_TRACE(path);
        wchar_t version[64] = L"#", language[64] = L"#";
        DWORD version_size = 64, language_size = 64;
        EXPECT_EQ(0u, MsiGetFileVersionW(path.c_str(), version, &version_size, language, &language_size));
        EXPECT_EQ(std::wstring(c.version), version);
        EXPECT_EQ(wcslen(c.version), version_size);
        EXPECT_EQ(std::wstring(c.language), language);
        EXPECT_EQ(wcslen(c.language), language_size);
    }
}

}  // namespace
