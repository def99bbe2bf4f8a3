// winport's system messages, local heap and locale queries, checked against what Windows
// returns: the exact en-US texts, the size protocols and the LCID each POSIX locale maps to.
#include <winport/testing.h>

#include "support/scoped_env.h"
#include <winport/win32.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>
#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

constexpr DWORD kSystemFlags =
    FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;

// FormatMessageW into a buffer it allocates; the buffer is freed here. Returns the count.
DWORD SystemText(DWORD id, DWORD language, std::wstring& text, DWORD flags = kSystemFlags,
                 const DWORD_PTR* args = nullptr) {
    wchar_t* buffer = reinterpret_cast<wchar_t*>(0x1);  // must come back null on failure
    const DWORD count = FormatMessageW(flags, nullptr, id, language, reinterpret_cast<LPWSTR>(&buffer), 0,
                                       reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
    text = buffer ? std::wstring(buffer) : std::wstring();
    if (count == 0) {
        EXPECT_EQ(buffer, nullptr) << "no buffer may be handed out on failure";
        return 0;
    }
    const DWORD error = GetLastError();
    EXPECT_EQ(LocalFree(buffer), nullptr);
    SetLastError(error);
    return count;
}

// FormatMessageW of a template into a caller's buffer.
DWORD FromString(const wchar_t* source, const DWORD_PTR* args, std::wstring& text, DWORD extra_flags = 0) {
    wchar_t buffer[512];
    const DWORD count = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY | extra_flags, source,
                                       0, 0, buffer, 512, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
    text = count ? std::wstring(buffer) : std::wstring();
    return count;
}

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

using SystemMessages = LocalHeap;
using MessageTemplates = LocalHeap;

TEST_F(SystemMessages, TextsAreTheWindowsOnesWithTheirLineBreak) {
    struct Case {
        DWORD id;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, L"The operation completed successfully.\r\n"},
        {2, L"The system cannot find the file specified.\r\n"},
        {5, L"Access is denied.\r\n"},
        {32, L"The process cannot access the file because it is being used by another process.\r\n"},
        {87, L"The parameter is incorrect.\r\n"},
        {122, L"The data area passed to a system call is too small.\r\n"},
        {123, L"The filename, directory name, or volume label syntax is incorrect.\r\n"},
        {183, L"Cannot create a file when that file already exists.\r\n"},
        {193, L"%1 is not a valid Win32 application.\r\n"},
        {234, L"More data is available.\r\n"},
        {259, L"No more data is available.\r\n"},
        {1056, L"An instance of the service is already running.\r\n"},
        {1058, L"The service cannot be started, either because it is disabled or because it has no enabled devices "
               L"associated with it.\r\n"},
        {1060, L"The specified service does not exist as an installed service.\r\n"},
        {1062, L"The service has not been started.\r\n"},
        {1072, L"The specified service has been marked for deletion.\r\n"},
        {1073, L"The specified service already exists.\r\n"},
        {1223, L"The operation was canceled by the user.\r\n"},
        {1332, L"No mapping between account names and security IDs was done.\r\n"},
    };
    for (const Case& c : cases) {
        std::wstring text;
        EXPECT_EQ(SystemText(c.id, 0, text), std::wcslen(c.text)) << c.id;
        EXPECT_EQ(text, c.text) << c.id;
    }
    // English and the default languages find the text too.
    for (DWORD language : {0x400u, 0x800u, 0x409u, 0x009u}) {
        std::wstring text;
        EXPECT_GT(SystemText(ERROR_ACCESS_DENIED, language, text), 0u) << std::hex << language;
    }
}

TEST_F(SystemMessages, EveryErrorWinportReturnsHasAText) {
    const DWORD ids[] = {
        ERROR_SUCCESS, ERROR_INVALID_FUNCTION, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_TOO_MANY_OPEN_FILES,
        ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_DATA, ERROR_OUTOFMEMORY,
        ERROR_INVALID_DRIVE, ERROR_CURRENT_DIRECTORY, ERROR_NOT_SAME_DEVICE, ERROR_NO_MORE_FILES, ERROR_WRITE_PROTECT,
        ERROR_NOT_READY, ERROR_WRITE_FAULT, ERROR_READ_FAULT, ERROR_GEN_FAILURE, ERROR_SHARING_VIOLATION,
        ERROR_LOCK_VIOLATION, ERROR_HANDLE_EOF, ERROR_HANDLE_DISK_FULL, ERROR_NOT_SUPPORTED, ERROR_FILE_EXISTS,
        ERROR_CANNOT_MAKE, ERROR_INVALID_PARAMETER, ERROR_BROKEN_PIPE, ERROR_OPEN_FAILED, ERROR_BUFFER_OVERFLOW,
        ERROR_DISK_FULL, ERROR_CALL_NOT_IMPLEMENTED, ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_NAME,
        ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND, ERROR_DIR_NOT_EMPTY, ERROR_BUSY, ERROR_ALREADY_EXISTS,
        ERROR_BAD_EXE_FORMAT, ERROR_ENVVAR_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE, ERROR_NO_DATA,
        ERROR_PIPE_NOT_CONNECTED, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS, ERROR_DIRECTORY, ERROR_NOT_OWNER,
        ERROR_MR_MID_NOT_FOUND, ERROR_INVALID_ADDRESS, ERROR_ARITHMETIC_OVERFLOW, ERROR_PIPE_CONNECTED,
        ERROR_OPERATION_ABORTED, ERROR_IO_INCOMPLETE, ERROR_IO_PENDING, ERROR_NOACCESS, ERROR_INVALID_FLAGS,
        ERROR_CANTOPEN, ERROR_CANTREAD, ERROR_CANTWRITE, ERROR_REGISTRY_CORRUPT, ERROR_KEY_DELETED,
        ERROR_KEY_HAS_CHILDREN, ERROR_NO_UNICODE_TRANSLATION, ERROR_NOT_FOUND, ERROR_CANCELLED,
        ERROR_NOT_ALL_ASSIGNED, ERROR_INVALID_OWNER, ERROR_NO_SUCH_PRIVILEGE, ERROR_NO_SUCH_USER, ERROR_LOGON_FAILURE,
        ERROR_NONE_MAPPED, ERROR_INVALID_SID, ERROR_NO_SUCH_DOMAIN, ERROR_UNKNOWN_PRODUCT, ERROR_UNKNOWN_PROPERTY,
        ERROR_BAD_CONFIGURATION, RPC_S_SERVER_UNAVAILABLE, ERROR_INVALID_DATATYPE, ERROR_RESOURCE_LANG_NOT_FOUND,
        NERR_DCNotFound,
    };
    std::vector<DWORD> all(std::begin(ids), std::end(ids));
    for (DWORD id = 1051; id <= 1078; ++id) all.push_back(id);  // the whole service range
    for (DWORD id : all) {
        std::wstring text;
        ASSERT_GT(SystemText(id, 0, text), 2u) << id;
        EXPECT_EQ(text.substr(text.size() - 2), L"\r\n") << id;
        EXPECT_EQ(text.find(L"\r\n"), text.size() - 2) << id << ": one line only";
    }
}

TEST_F(SystemMessages, RefusedRequestsFailWithTheirError) {
    const DWORD from_system = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
    struct Case {
        DWORD id, language, flags, error;
    };
    const Case cases[] = {
        {9999, 0, kSystemFlags, ERROR_MR_MID_NOT_FOUND},
        {0x20000000, 0, kSystemFlags, ERROR_MR_MID_NOT_FOUND},
        {0x80070002, 0, kSystemFlags, ERROR_MR_MID_NOT_FOUND},
        {5, 0x407, kSystemFlags, ERROR_RESOURCE_LANG_NOT_FOUND},
        {5, 0x809, kSystemFlags, ERROR_RESOURCE_LANG_NOT_FOUND},  // English, but not the US text
        {193, 0, from_system, ERROR_INVALID_PARAMETER},  // inserts without arguments
        {2, 0, kSystemFlags | FORMAT_MESSAGE_FROM_HMODULE, ERROR_NOT_SUPPORTED},
        {2, 0, kSystemFlags | 80, ERROR_NOT_SUPPORTED},
        {2, 0, kSystemFlags | 0x10000, ERROR_NOT_SUPPORTED},
        {2, 0, kSystemFlags | FORMAT_MESSAGE_FROM_STRING, ERROR_INVALID_PARAMETER},
        {2, 0, FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " language 0x" << std::hex << c.language << " flags 0x" << c.flags);
        std::wstring text;
        SetLastError(0);
        EXPECT_EQ(SystemText(c.id, c.language, text, c.flags), 0u);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(SystemMessages, CallersBufferMustHoldTheTextAndItsNul) {
    const std::wstring expected = L"Access is denied.\r\n";
    std::vector<wchar_t> buffer(expected.size() + 1, L'#');
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    EXPECT_EQ(FormatMessageW(flags, nullptr, 5, 0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr),
              expected.size());
    EXPECT_EQ(std::wstring(buffer.data()), expected);
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(flags, nullptr, 5, 0, buffer.data(), static_cast<DWORD>(expected.size()), nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(FormatMessageW(flags, nullptr, 5, 0, nullptr, 100, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SystemMessages, FullLineWidthAndInsertsFromArguments) {
    std::wstring text;
    EXPECT_EQ(SystemText(2, 0, text, kSystemFlags | FORMAT_MESSAGE_MAX_WIDTH_MASK), 43u);
    EXPECT_EQ(text, L"The system cannot find the file specified. ");
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY;
    const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(L"setup.exe"), reinterpret_cast<DWORD_PTR>(L"kernel")};
    EXPECT_GT(SystemText(193, 0, text, flags, args), 0u);
    EXPECT_EQ(text, L"setup.exe is not a valid Win32 application.\r\n");
    EXPECT_GT(SystemText(317, 0, text, flags, args), 0u);
    EXPECT_EQ(text, L"The system cannot find message text for message number 0xsetup.exe in the message file for kernel.\r\n");
}

TEST_F(SystemMessages, AnInjectedFaultHandsOutNoBuffer) {
    wt::FailNthCall(1, ERROR_NOT_ENOUGH_MEMORY, "FormatMessageW");
    std::wstring text;
    EXPECT_EQ(SystemText(2, 0, text), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_TRUE(wt::FaultFired());
}

TEST_F(MessageTemplates, InsertsEscapesAndLineBreaks) {
    const DWORD_PTR strings[] = {reinterpret_cast<DWORD_PTR>(L"one"), reinterpret_cast<DWORD_PTR>("two"), 3,
                                 reinterpret_cast<DWORD_PTR>(L"four")};
    const DWORD_PTR star[] = {6, 2, reinterpret_cast<DWORD_PTR>(L"xyz"), reinterpret_cast<DWORD_PTR>(L"four")};
    const DWORD_PTR numbers[] = {7, static_cast<DWORD_PTR>(-1), 0x1F};
    struct Case {
        const wchar_t* source;
        const DWORD_PTR* args;
        DWORD flags;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"%1!*.*s!|%4|%%|%n|%.|%!|%r|%t|%0tail", star, 0, L"    xy|four|%|\r\n|.|!|\r|\t|"},
        {L"%1!d! %2!d! %2!u! %3!x! %3!04X! %1!-4d!| %1!+d! %3!#x!", numbers, 0, L"7 -1 4294967295 1f 001F 7   | +7 0x1f"},
        {L"%2!S!|%2!hs!|%1!ls!|%1!ws!|%1!10s!|%1!-6s!|%1!.2s!", strings, 0, L"two|two|one|one|       one|one   |on"},
        {L"%3!p!", strings, 0, L"0000000000000003"},
        {L"%3!I64u!|%3!llx!|%3!5.3d!|%3!o!|%3!i!", strings, 0, L"3|3|  003|3|3"},
        {L"x%.y%!z% w%qv", strings, 0, L"x.y!z wqv"},
        {L"a\nb\rc\r\nd", strings, 0, L"a\r\nb\r\nc\r\nd"},
        {L"a\r\r\nb", strings, 0, L"a\r\n\r\nb"},
        {L"a\nb\rc\r\n", strings, FORMAT_MESSAGE_MAX_WIDTH_MASK, L"a b c "},
        {L"a\r\nb%nc\r\n", strings, FORMAT_MESSAGE_MAX_WIDTH_MASK, L"a b\r\nc "},
        {L"a%1b%%c%nd%0", strings, FORMAT_MESSAGE_IGNORE_INSERTS, L"a%1b%%c\r\nd"},
        {L"x%.y%!z% w%qv%%%1!d!", nullptr, FORMAT_MESSAGE_IGNORE_INSERTS, L"x%.y%!z% w%qv%%%1!d!"},
        {L"100%% %1", strings, 0, L"100% one"},
    };
    for (const Case& c : cases) {
        std::wstring text;
        EXPECT_EQ(FromString(c.source, c.args, text, c.flags), std::wcslen(c.expected)) << c.source;
        EXPECT_EQ(text, c.expected) << c.source;
    }
}

TEST_F(MessageTemplates, MalformedTemplatesAndUnprintableFormatsFail) {
    const DWORD_PTR args[] = {1, 2, 3};
    struct Case {
        const wchar_t* source;
        DWORD error;
    };
    for (const Case& c : {Case{L"abc%", ERROR_INVALID_PARAMETER}, Case{L"ab%1!s", ERROR_INVALID_PARAMETER},
                          Case{L"%1!q!", ERROR_INVALID_PARAMETER}, Case{L"%99!*s!", ERROR_INVALID_PARAMETER},
                          Case{L"%1!f!", ERROR_NOT_SUPPORTED}}) {
        std::wstring text;
        SetLastError(0);
        EXPECT_EQ(FromString(c.source, args, text), 0u) << c.source;
        EXPECT_EQ(GetLastError(), c.error) << c.source;
    }
}

TEST_F(MessageTemplates, VariableArgumentsAreReadWithTheTypeEachInsertGives) {
    std::wstring text;
    EXPECT_GT(FromVaList(text, L"%1!d!-%2-%3!I64u!-%4!c!", -5, L"two", 1ULL << 40, static_cast<int>(L'Z')), 0u);
    EXPECT_EQ(text, L"-5-two-1099511627776-Z");
    // Slot 1 is used by no insert: it is skipped as one pointer-sized argument.
    EXPECT_GT(FromVaList(text, L"<%2>", L"skipped", L"second"), 0u);
    EXPECT_EQ(text, L"<second>");
}

TEST_F(MessageTemplates, AnEmptyResultHandsOutNothing) {
    wchar_t* buffer = nullptr;
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, L"%0", 0, 0,
                             reinterpret_cast<LPWSTR>(&buffer), 0, nullptr),
              0u);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
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

// ---- Locale --------------------------------------------------------------------------------

class PosixLocale : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
    }
    void TearDown() override { wt::DisarmFaults(); }
    static std::wstring Info(LCID lcid, LCTYPE item) {
        wchar_t buffer[128];
        const int count = GetLocaleInfoW(lcid, item, buffer, 128);
        return count > 0 ? std::wstring(buffer) : L"<error " + std::to_wstring(GetLastError()) + L">";
    }
    cw32test::ScopedEnv env_{"LC_ALL", "LC_MESSAGES", "LANG"};
};

TEST_F(PosixLocale, NamesMapToTheirLcids) {
    struct Case {
        const char* name;
        LCID lcid;
    };
    const Case cases[] = {
        {"C", 0x409}, {"POSIX", 0x409}, {"C.UTF-8", 0x409}, {"en_US.UTF-8", 0x409}, {"en_GB.UTF-8", 0x809},
        {"fr_CA.UTF-8", 0x0C0C}, {"fr_FR", 0x040C}, {"de_DE.UTF-8", 0x407}, {"de_CH@euro", 0x807},
        {"de_AT.ISO-8859-1@euro", 0xC07}, {"zh_CN.GB18030", 0x804}, {"zh_SG", 0x1004}, {"zh_TW.UTF-8", 0x404},
        {"zh_HK", 0xC04}, {"zh_MO", 0x1404}, {"ja_JP.eucJP", 0x411}, {"ko_KR.UTF-8", 0x412}, {"pt_BR", 0x416},
        {"pt_PT", 0x816}, {"es_ES", 0xC0A}, {"es_MX", 0x80A}, {"ru_RU", 0x419}, {"tr_TR", 0x41F}, {"pl_PL", 0x415},
        {"cs_CZ", 0x405}, {"hu_HU", 0x40E}, {"he_IL", 0x40D}, {"iw_IL", 0x40D}, {"ar_EG", 0xC01}, {"th_TH", 0x41E},
        {"nl_BE", 0x813}, {"sv_FI", 0x81D}, {"da_DK", 0x406}, {"fi_FI", 0x40B}, {"nb_NO", 0x414}, {"no_NO", 0x414},
        {"nn_NO", 0x814}, {"el_GR", 0x408}, {"uk_UA", 0x422}, {"sr_RS", 0x281A}, {"sr_RS@latin", 0x241A},
        {"ca_ES@valencia", 0x803}, {"en-AU", 0xC09}, {"EN_nz", 0x1409},
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

TEST_F(PosixLocale, ItemsAreTheWindowsValues) {
    struct Case {
        LCID lcid;
        LCTYPE item;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0x409, LOCALE_ILANGUAGE, L"0409"}, {0xC0C, LOCALE_ILANGUAGE, L"0c0c"}, {0xC0C, LOCALE_IDEFAULTLANGUAGE, L"0c0c"},
        {0x409, LOCALE_SENGLANGUAGE, L"English"}, {0x409, LOCALE_SENGCOUNTRY, L"United States"},
        {0x409, LOCALE_SISO639LANGNAME, L"en"}, {0x409, LOCALE_SISO3166CTRYNAME, L"US"}, {0x409, LOCALE_SNAME, L"en-US"},
        {0x409, LOCALE_IDEFAULTANSICODEPAGE, L"65001"}, {0x411, LOCALE_IDEFAULTCODEPAGE, L"65001"},
        {0x807, LOCALE_SENGLANGUAGE, L"German"}, {0x807, LOCALE_SENGCOUNTRY, L"Switzerland"},
        {0x804, LOCALE_SNAME, L"zh-CN"}, {0xC04, LOCALE_SENGCOUNTRY, L"Hong Kong SAR"},
        {0x1404, LOCALE_SENGCOUNTRY, L"Macao SAR"}, {0x414, LOCALE_SENGLANGUAGE, L"Norwegian Bokm\u00E5l"},
        {0x241A, LOCALE_SNAME, L"sr-Latn-RS"}, {0x241A, LOCALE_SISO639LANGNAME, L"sr"},
        {0x241A, LOCALE_SISO3166CTRYNAME, L"RS"}, {0x803, LOCALE_SISO3166CTRYNAME, L"ES"},
        {0x464, LOCALE_SISO639LANGNAME, L"fil"}, {0x7F, LOCALE_SNAME, L""}, {0x7F, LOCALE_ILANGUAGE, L"007f"},
        {0x7F, LOCALE_SENGCOUNTRY, L"Invariant Country"}, {0x7F, LOCALE_SISO639LANGNAME, L"iv"},
        // Neutral LCIDs stand for their language's primary locale.
        {0x0009, LOCALE_SNAME, L"en-US"}, {0x0004, LOCALE_SNAME, L"zh-CN"}, {0x0007, LOCALE_ILANGUAGE, L"0407"},
        {0x409, LOCALE_SNAME | LOCALE_NOUSEROVERRIDE, L"en-US"},
    };
    for (const Case& c : cases) EXPECT_EQ(Info(c.lcid, c.item), c.text) << std::hex << c.lcid << " " << c.item;
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

TEST_F(PosixLocale, SizeProtocolAndNumbers) {
    wchar_t buffer[8];
    EXPECT_EQ(GetLocaleInfoW(0x409, LOCALE_SNAME, nullptr, 0), 6);
    EXPECT_EQ(GetLocaleInfoW(0x409, LOCALE_SNAME, buffer, 0), 6);
    EXPECT_EQ(GetLocaleInfoW(0x409, LOCALE_SNAME, buffer, 6), 6);
    EXPECT_STREQ(buffer, L"en-US");
    DWORD value = 0;
    const int units = static_cast<int>(sizeof(DWORD) / sizeof(WCHAR));
    auto* as_text = reinterpret_cast<LPWSTR>(&value);
    EXPECT_EQ(GetLocaleInfoW(0xC0C, LOCALE_ILANGUAGE | LOCALE_RETURN_NUMBER, nullptr, 0), units);
    EXPECT_EQ(GetLocaleInfoW(0xC0C, LOCALE_ILANGUAGE | LOCALE_RETURN_NUMBER, as_text, units), units);
    EXPECT_EQ(value, 0xC0Cu);
    EXPECT_EQ(GetLocaleInfoW(0x411, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, as_text, units), units);
    EXPECT_EQ(value, 65001u);
}

TEST_F(PosixLocale, RefusedQueriesFailWithTheirError) {
    wchar_t buffer[32];
    struct Case {
        LCID lcid;
        LCTYPE item;
        wchar_t* buffer;
        int size;
        DWORD error;
    };
    const Case cases[] = {
        {0x409, LOCALE_SNAME, buffer, 5, ERROR_INSUFFICIENT_BUFFER},
        {0x409, LOCALE_SNAME, buffer, -1, ERROR_INVALID_PARAMETER},
        {0x409, LOCALE_SNAME, nullptr, 5, ERROR_INVALID_PARAMETER},
        {0x409, LOCALE_SNAME | LOCALE_RETURN_NUMBER, buffer, 2, ERROR_INVALID_FLAGS},
        {0x409, 0x9999, buffer, 32, ERROR_INVALID_FLAGS},
        {0x409, 0, buffer, 32, ERROR_INVALID_FLAGS},
        {0x409, LOCALE_SNAME | LOCALE_RETURN_GENITIVE_NAMES, buffer, 32, ERROR_INVALID_FLAGS},
        {0x1234, LOCALE_SNAME, buffer, 32, ERROR_INVALID_PARAMETER},
        {0x40A, LOCALE_SNAME, buffer, 32, ERROR_INVALID_PARAMETER},
        {LOCALE_CUSTOM_UNSPECIFIED, LOCALE_SNAME, buffer, 32, ERROR_INVALID_PARAMETER},
        {0x10407, LOCALE_SNAME, buffer, 32, ERROR_NOT_SUPPORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.lcid << " " << c.item << " size " << std::dec << c.size);
        SetLastError(0);
        EXPECT_EQ(GetLocaleInfoW(c.lcid, c.item, c.buffer, c.size), 0);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

}  // namespace
