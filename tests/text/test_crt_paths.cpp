// The C runtime's path splitter and joiner as the library relies on them: the same answers from
// the Windows runtime and from winport, including the size protocol.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cwchar>

namespace {

struct SplitBuffers {
    wchar_t drive[8], dir[8], name[8], ext[8];
    SplitBuffers() {
        for (wchar_t* b : {drive, dir, name, ext}) std::wcscpy(b, L"##");
    }
};

TEST(WSplitPathS, EveryPartMustFitWithItsTerminator) {
    struct Case { std::size_t driveSize, dirSize, nameSize, extSize; errno_t result; };
    // "C:\dir\file.txt" has parts of 2, 5, 4 and 4 characters.
    for (const Case& c : {Case{3, 6, 5, 5, 0}, Case{2, 6, 5, 5, ERANGE}, Case{3, 5, 5, 5, ERANGE},
                          Case{3, 6, 4, 5, ERANGE}, Case{3, 6, 5, 4, ERANGE}}) {
        SplitBuffers b;
        EXPECT_EQ(_wsplitpath_s(L"C:\\dir\\file.txt", b.drive, c.driveSize, b.dir, c.dirSize, b.name, c.nameSize,
                                b.ext, c.extSize),
                  c.result);
        if (c.result == 0) {
            EXPECT_STREQ(b.drive, L"C:");
            EXPECT_STREQ(b.dir, L"\\dir\\");
            EXPECT_STREQ(b.name, L"file");
            EXPECT_STREQ(b.ext, L".txt");
        } else {
            // One part that does not fit empties them all.
            for (const wchar_t* part : {b.drive, b.dir, b.name, b.ext}) EXPECT_STREQ(part, L"");
        }
    }
}

TEST(WSplitPathS, PointerAndSizeMustAgree) {
    SplitBuffers b;
    EXPECT_EQ(_wsplitpath_s(L"C:\\d\\f.e", nullptr, 0, b.dir, 8, nullptr, 0, b.ext, 8), 0);
    EXPECT_STREQ(b.dir, L"\\d\\");
    EXPECT_STREQ(b.ext, L".e");
    EXPECT_STREQ(b.name, L"##");

    SplitBuffers untouched;
    EXPECT_EQ(_wsplitpath_s(L"x", untouched.drive, 0, untouched.dir, 8, untouched.name, 8, untouched.ext, 8), EINVAL);
    EXPECT_STREQ(untouched.dir, L"##");  // rejected before anything is written
    EXPECT_EQ(_wsplitpath_s(nullptr, untouched.drive, 8, untouched.dir, 8, untouched.name, 8, untouched.ext, 8),
              EINVAL);
    EXPECT_EQ(errno, EINVAL);
}

TEST(WMakePathS, WholeResultMustFitWithItsTerminator) {
    struct Case { std::size_t size; const wchar_t *drive, *dir, *name, *ext; errno_t result; const wchar_t* out; };
    for (const Case& c : {Case{5, nullptr, L"ab", L"c", nullptr, 0, L"ab\\c"},
                          Case{4, nullptr, L"ab", L"c", nullptr, ERANGE, L""},
                          Case{5, nullptr, L"ab", nullptr, L"e", ERANGE, L""},
                          Case{4, nullptr, nullptr, L"f", L"e", 0, L"f.e"},
                          Case{3, nullptr, nullptr, L"f", L"e", ERANGE, L""},
                          Case{1, nullptr, nullptr, nullptr, nullptr, 0, L""},
                          Case{3, L"C", nullptr, nullptr, nullptr, 0, L"C:"},
                          Case{2, L"C", nullptr, nullptr, nullptr, ERANGE, L""}}) {
        wchar_t out[8] = L"##";
        EXPECT_EQ(_wmakepath_s(out, c.size, c.drive, c.dir, c.name, c.ext), c.result) << c.size;
        EXPECT_STREQ(out, c.out);
    }
    EXPECT_EQ(_wmakepath_s(nullptr, 0, L"C", nullptr, nullptr, nullptr), EINVAL);
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
