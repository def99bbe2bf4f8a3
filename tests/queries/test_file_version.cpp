// MsiGetFileVersionW on the PE files that the build makes (bin/pe-fixtures/, see
// queries/fixtures/CMakeLists.txt): the same answers from winport and from Windows under Wine.
#include "support/test_programs.h"

#include <common-win32/platform.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Fixture(const wchar_t* name) {
    return cw32test::ProgramDirectory() + cw32test::PathSeparator() + L"pe-fixtures" + cw32test::PathSeparator() + name;
}

std::wstring ProgramPath() {
    wchar_t path[4096];
    const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
    return std::wstring(path, length);
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

// Sizes count characters without the NUL; a buffer one short of the text and its NUL gets
// 234 with the length, and a size without a buffer only learns the length.
TEST(FileVersion, TellsTheNeededSizeWhenTheBufferIsShort) {
    for (const Versioned& c : kVersioned) {
        const std::wstring path = Fixture(c.file);
        if (!Exists(path)) GTEST_SKIP() << "no PE fixtures: the mingw-w64 tools were not found";
        SCOPED_TRACE(path);
        const DWORD length = static_cast<DWORD>(wcslen(c.version));
        struct Size {
            DWORD given;
            bool buffer;
            UINT rc;
        };
        for (const Size s : {Size{length, true, ERROR_MORE_DATA}, Size{length + 1, true, ERROR_SUCCESS},
                             Size{0, true, ERROR_MORE_DATA}, Size{0, false, ERROR_MORE_DATA},
                             Size{length + 1, false, ERROR_SUCCESS}}) {
            wchar_t buffer[64] = L"#";
            DWORD size = s.given;
            EXPECT_EQ(s.rc, MsiGetFileVersionW(path.c_str(), s.buffer ? buffer : nullptr, &size, nullptr, nullptr))
                << "size " << s.given << (s.buffer ? " with" : " without") << " a buffer";
            EXPECT_EQ(length, size);
            if (s.rc == ERROR_SUCCESS && s.buffer) {
                EXPECT_EQ(std::wstring(c.version), buffer);
            }
        }
        // The language alone follows the same protocol.
        const DWORD language_length = static_cast<DWORD>(wcslen(c.language));
        DWORD size = language_length;
        wchar_t buffer[64] = L"#";
        EXPECT_EQ(ERROR_MORE_DATA, MsiGetFileVersionW(path.c_str(), nullptr, nullptr, buffer, &size));
        EXPECT_EQ(language_length, size);
    }
}

TEST(FileVersion, FilesWithoutAVersionAndMissingFilesGetTheirCodes) {
    if (!Exists(Fixture(L"plain64.dll"))) GTEST_SKIP() << "no PE fixtures: the mingw-w64 tools were not found";
    const std::wstring text = Fixture(L"not-a-program.txt");
    const HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    const char bytes[] = "MZ, and then not a program\r\n";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, bytes, sizeof bytes - 1, &written, nullptr));
    CloseHandle(file);
    struct Case {
        std::wstring path;
        UINT rc;
    };
    const Case cases[] = {
        {Fixture(L"plain64.dll"), ERROR_FILE_INVALID},     // a PE without resources
        {Fixture(L"plain32.exe"), ERROR_FILE_INVALID},
        {Fixture(L"named2-64.dll"), ERROR_FILE_INVALID},   // a version block under another name
        {Fixture(L"truncated64.dll"), ERROR_FILE_INVALID}, // cut inside its version block
        {text, ERROR_FILE_INVALID},
        {ProgramPath(), ERROR_FILE_INVALID},      // ELF here, a PE without one on Windows
        {cw32test::ProgramDirectory(), ERROR_ACCESS_DENIED},
        {Fixture(L"missing.dll"), ERROR_FILE_NOT_FOUND},
        {Fixture(L"missing-folder") + cw32test::PathSeparator() + L"missing.dll", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        wchar_t version[64] = L"#";
        DWORD size = 64;
        EXPECT_EQ(c.rc, MsiGetFileVersionW(c.path.c_str(), version, &size, nullptr, nullptr)) << c.path;
    }
    DWORD size = 64;
    EXPECT_EQ(static_cast<UINT>(ERROR_INVALID_PARAMETER), MsiGetFileVersionW(nullptr, nullptr, &size, nullptr, nullptr));
}

}  // namespace
