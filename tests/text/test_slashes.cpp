// Trailing separators on strings and on fixed buffers, including buffers with no room to spare.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// A buffer of exactly `capacity` characters inside a larger block whose tail is watched.
struct GuardedBuffer {
    GuardedBuffer(const wchar_t* text, unsigned capacity) : block(capacity + 8, L'#'), capacity(capacity) {
        std::copy(text, text + std::wcslen(text) + 1, block.begin());
    }
    wchar_t* data() { return block.data(); }
    bool GuardIntact() const {
        return std::all_of(block.begin() + capacity, block.end(), [](wchar_t c) { return c == L'#'; });
    }
    std::vector<wchar_t> block;
    unsigned capacity;
};

TEST(HandleSlash, StringAndRoomyBufferFormsFollowTheCoreRule) {
    const struct { const wchar_t* in; wchar_t slash; int selector; const wchar_t* out; } cases[] = {
        {L"", L'\\', 0, L""},                    // an empty text never gains a separator
        {L"", L'\\', 1, L""},  {L"C:\\Temp", L'\\', 0, L"C:\\Temp\\"},  {L"C:\\Temp\\", L'\\', 0, L"C:\\Temp\\"},
        {L"C:\\data/", L'\\', 0, L"C:\\data/\\"},   // only the given character counts
        {L"C:\\Temp\\\\", L'\\', 1, L"C:\\Temp\\"},  // one separator per call
        {L"C:\\Temp/", L'\\', 1, L"C:\\Temp/"},  {L"C:\\Temp", L'\\', 1, L"C:\\Temp"},  {L"web/x/", L'/', 1, L"web/x"},
        {L"a/b", L'/', 0, L"a/b/"},            {L"\\", L'\\', 1, L""},
        {L"x", L'\\', 7, L"x"},                  // every non-zero selector removes
        {L"x\\", L'\\', -1, L"x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.in)) + " sel " + std::to_string(c.selector));
        CString text(c.in);
        HandleSlash(text, c.slash, c.selector);
        EXPECT_STREQ(text.GetString(), c.out);
        GuardedBuffer buffer(c.in, static_cast<unsigned>(std::wcslen(c.in)) + 2);
        HandleSlash(buffer.data(), buffer.capacity, c.slash, c.selector);
        EXPECT_STREQ(buffer.data(), c.out);
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(HandleSlash, BufferFormNeverWritesAtOrPastItsCapacity) {
    struct Case { const wchar_t* in; unsigned capacity; int selector; const wchar_t* out; };
    for (const Case& c : {
             Case{L"C:\\Temp", 8, 0, L"C:\\Temp"},     // room for the text only: unchanged
             Case{L"C:\\Temp", 9, 0, L"C:\\Temp\\"},   // exactly room for the separator
             Case{L"ab", 3, 0, L"ab"}, Case{L"a", 3, 0, L"a\\"}, Case{L"a\\", 3, 1, L"a"}, Case{L"a\\", 3, 0, L"a\\"},
         }) {
        GuardedBuffer buffer(c.in, c.capacity);
        HandleSlash(buffer.data(), buffer.capacity, L'\\', c.selector);
        EXPECT_STREQ(buffer.data(), c.out) << testing::PrintToString(std::wstring(c.in)) << " cap " << c.capacity;
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(HandleSlash, BufferIsReadOnlyUpToItsCapacityAndNullOrEmptyIsLeftAlone) {
    wchar_t block[6] = {L'a', L'b', L'c', L'/', L'#', L'#'};  // capacity 4, no terminator inside it
    HandleSlash(block, 4, L'/', 0);
    EXPECT_EQ(std::wstring(block, 6), std::wstring(L"abc/##"));
    HandleSlash(block, 4, L'/', 1);
    EXPECT_EQ(std::wstring(block, 6), std::wstring(L"abc\0##", 6));
    HandleSlash(nullptr, 10, L'\\', 0);  // a null or zero-capacity buffer is left alone
    HandleSlash(block, 0, L'\\', 1);
    EXPECT_EQ(block[0], L'a');
}

TEST(TrailingSlashHelpers, PickSlashAndSelector) {
    // Each input changes only under the right separator and the right direction.
    const struct { void (*text)(CString&); void (*buffer)(wchar_t*, unsigned); const wchar_t *in, *out; } cases[] = {
        {AddTrailingBackSlash, AddTrailingBackSlash, L"a/", L"a/\\"},
        {RemoveTrailingBackSlash, RemoveTrailingBackSlash, L"a/\\", L"a/"},
        {RemoveTrailingForwardSlash, RemoveTrailingForwardSlash, L"a\\/", L"a\\"},
    };
    for (const auto& c : cases) {
        CString text(c.in);
        c.text(text);
        EXPECT_STREQ(text.GetString(), c.out);
        wchar_t buffer[16];
        std::wcscpy(buffer, c.in);
        c.buffer(buffer, 16);
        EXPECT_STREQ(buffer, c.out);
    }
}

}  // namespace
