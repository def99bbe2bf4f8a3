// winport's own rules around system messages and locales: the local heap behind allocated
// texts, arguments read from a va_list, fault injection, and how the POSIX locale variables
// choose the user's locale. The texts, templates and locale items themselves are compared with
// Windows' by tests/probes.
#include <winport/testing.h>

#include "support/scoped_env.h"
#include <winport/win32.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>
#include <string>

namespace wt = winport::testing;

namespace {

DWORD FromVaList(std::wstring& text, const wchar_t* source, ...) {
    va_list args;
    va_start(args, source);
    wchar_t buffer[256];
    const DWORD count = FormatMessageW(FORMAT_MESSAGE_FROM_STRING, source, 0, 0, buffer, 256, &args);
    va_end(args);
    text = count ? std::wstring(buffer) : std::wstring();
    return count;
}

class LocalHeap : public ::testing::Test {
protected:
    void SetUp() override { live_ = wt::LiveLocalBlocks(); }
    void TearDown() override {
        wt::DisarmFaults();
        EXPECT_EQ(wt::LiveLocalBlocks(), live_) << "a local block was left behind";
    }
    std::size_t live_ = 0;
};

TEST_F(LocalHeap, AllocatedTextsAreFreedOnceAndFailuresHandOutNone) {
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    wchar_t* buffer = nullptr;
    ASSERT_EQ(FormatMessageW(flags, nullptr, 5, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr), 19u);
    EXPECT_EQ(wt::LiveLocalBlocks(), live_ + 1);
    EXPECT_EQ(LocalFree(buffer), nullptr);
    // Unknown ids, an injected fault and an empty result all leave the pointer null.
    wt::FailNthCall(1, ERROR_NOT_ENOUGH_MEMORY, "FormatMessageW");
    struct Case {
        DWORD flags;
        const wchar_t* source;
        DWORD id, error;
    };
    for (const Case& c : {Case{flags, nullptr, 2, ERROR_NOT_ENOUGH_MEMORY}, Case{flags, nullptr, 9999, 317},
                          Case{FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, L"%0", 0, 0}}) {
        buffer = reinterpret_cast<wchar_t*>(0x1);
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(FormatMessageW(c.flags, c.source, c.id, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr), 0u);
        EXPECT_EQ(buffer, nullptr) << c.id;
        EXPECT_EQ(GetLastError(), c.error) << c.id;
    }
    EXPECT_TRUE(wt::FaultFired());
}

TEST_F(LocalHeap, BlocksAreFixedZeroedOnRequestAndFreedOnceOtherKindsRefused) {
    auto* block = static_cast<unsigned char*>(LocalAlloc(LPTR, 64));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(wt::LiveLocalBlocks(), live_ + 1);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(LocalFree(block), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalFree(block), block) << "a second free is refused";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    int not_from_the_heap = 0;
    EXPECT_EQ(LocalFree(&not_from_the_heap), &not_from_the_heap);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    void* empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LMEM_MOVEABLE, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(LocalAlloc(0x8000, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MessageTemplates, VariableArgumentsAreReadWithTheTypeEachInsertGives) {
    std::wstring text;
    EXPECT_GT(FromVaList(text, L"%1!d!-%2-%3!I64u!-%4!c!", -5, L"two", 1ULL << 40, static_cast<int>(L'Z')), 0u);
    EXPECT_EQ(text, L"-5-two-1099511627776-Z");
    // Slot 1 is used by no insert: it is skipped as one pointer-sized argument.
    EXPECT_GT(FromVaList(text, L"<%2>", L"skipped", L"second"), 0u);
    EXPECT_EQ(text, L"<second>");
}

// ---- Locale --------------------------------------------------------------------------------

class PosixLocale : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
    }
    static std::wstring Info(LCID lcid, LCTYPE item) {
        wchar_t buffer[128];
        const int count = GetLocaleInfoW(lcid, item, buffer, 128);
        return count > 0 ? std::wstring(buffer) : L"<error " + std::to_wstring(GetLastError()) + L">";
    }
    cw32test::ScopedEnv env_{"LC_ALL", "LC_MESSAGES", "LANG"};
};

// The forms of a POSIX locale name; the LCID of each language and country is Windows' own
// (compared by tests/probes).
TEST_F(PosixLocale, NameFormsMapToTheirLcids) {
    struct Case {
        const char* name;
        LCID lcid;
    };
    const Case cases[] = {
        {"C", 0x409}, {"POSIX", 0x409}, {"C.UTF-8", 0x409}, {"fr_FR", 0x040C}, {"de_CH@euro", 0x807},
        {"de_AT.ISO-8859-1@euro", 0xC07}, {"zh_CN.GB18030", 0x804}, {"ja_JP.eucJP", 0x411}, {"iw_IL", 0x40D},
        {"no_NO", 0x414}, {"sr_RS", 0x281A}, {"sr_RS@latin", 0x241A}, {"ca_ES@valencia", 0x803}, {"en-AU", 0xC09},
        {"EN_nz", 0x1409},
        // A bare language means its primary country; so does an unknown country.
        {"de", 0x407}, {"zh", 0x804}, {"pt", 0x416}, {"es", 0xC0A}, {"en", 0x409}, {"de_XX", 0x407},
        // Nothing winport can place: the language of its system texts.
        {"xx_YY", 0x409}, {"klingon", 0x409},
    };
    for (const Case& c : cases) {
        setenv("LC_ALL", c.name, 1);
        EXPECT_EQ(GetUserDefaultLCID(), c.lcid) << c.name;
        EXPECT_EQ(GetUserDefaultLangID(), static_cast<LANGID>(c.lcid)) << c.name;
        EXPECT_EQ(GetUserDefaultUILanguage(), static_cast<LANGID>(c.lcid)) << c.name;
    }
}

TEST_F(PosixLocale, LcAllThenLcMessagesThenLangDecideTheUserLocaleLangTheSystems) {
    EXPECT_EQ(GetUserDefaultLCID(), 0x409u) << "nothing set";
    EXPECT_EQ(GetSystemDefaultLCID(), 0x409u);
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(GetUserDefaultLCID(), 0x407u);
    EXPECT_EQ(GetSystemDefaultLCID(), 0x407u);
    setenv("LC_MESSAGES", "fr_CA.UTF-8", 1);
    EXPECT_EQ(GetUserDefaultLCID(), 0xC0Cu);
    setenv("LC_ALL", "", 1);  // empty counts as unset
    EXPECT_EQ(GetUserDefaultLCID(), 0xC0Cu);
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(GetUserDefaultLCID(), 0x411u);
    EXPECT_EQ(GetSystemDefaultLCID(), 0x407u);
    EXPECT_EQ(GetSystemDefaultLangID(), 0x407);
    EXPECT_EQ(GetSystemDefaultUILanguage(), 0x407);
    EXPECT_EQ(Info(LOCALE_USER_DEFAULT, LOCALE_SNAME), L"ja-JP");
    EXPECT_EQ(Info(LOCALE_SYSTEM_DEFAULT, LOCALE_SNAME), L"de-DE");
    EXPECT_EQ(Info(LOCALE_NEUTRAL, LOCALE_SNAME), L"ja-JP");
}

// Every locale winport accepts is consistent with itself, and its POSIX name leads back to it.
TEST_F(PosixLocale, EveryKnownLocaleIsConsistentAndReachable) {
    int known = 0;
    for (LCID lcid = 0x100; lcid <= 0xFFFF; ++lcid) {
        // Specific locales only: not the neutral ones, nor the default pseudo-locales (0x400 ...).
        if (SUBLANGID(lcid) == 0 || PRIMARYLANGID(lcid) == 0) continue;
        if (GetLocaleInfoW(lcid, LOCALE_SNAME, nullptr, 0) == 0) continue;
        ++known;
        const std::wstring name = Info(lcid, LOCALE_SNAME);
        const std::wstring language = Info(lcid, LOCALE_SISO639LANGNAME);
        const std::wstring region = Info(lcid, LOCALE_SISO3166CTRYNAME);
        wchar_t hex[8];
        std::swprintf(hex, 8, L"%04x", static_cast<unsigned>(lcid));
        EXPECT_EQ(Info(lcid, LOCALE_ILANGUAGE), hex);
        EXPECT_EQ(name.substr(0, language.size() + 1), language + L"-") << name;
        EXPECT_EQ(region.size(), 2u) << name;
        EXPECT_FALSE(Info(lcid, LOCALE_SENGLANGUAGE).empty()) << name;
        EXPECT_FALSE(Info(lcid, LOCALE_SENGCOUNTRY).empty()) << name;
        if (name.find(L'-') == language.size() && name.size() == language.size() + 3) {  // "ll-CC"
            setenv("LC_ALL", (std::string(language.begin(), language.end()) + "_" +
                              std::string(region.begin(), region.end()) + ".UTF-8").c_str(), 1);
            EXPECT_EQ(GetUserDefaultLCID(), lcid) << name;
        }
    }
    EXPECT_GE(known, 150);
}

}  // namespace
