// Splitting and joining paths, the short and temporary paths, and the plain-character test.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring Show(const wchar_t* text) { return text ? std::wstring(L"\u00ab") + text + L"\u00bb" : L"(null)"; }

// Each path also comes back whole from myMakePath.
TEST(mySplitPath, FollowsTheRuntimeConventionsAndmyMakePathRejoinsTheParts) {
    struct Case { const wchar_t *path, *drive, *dir, *name, *ext; };
    for (const Case& c : {
             Case{L"C:\\dir\\file.tar.gz", L"C:", L"\\dir\\", L"file.tar", L".gz"},
             Case{L"file", L"", L"", L"file", L""},
             Case{L"C:", L"C:", L"", L"", L""},
             Case{L"", L"", L"", L"", L""},
             Case{L"C:file.txt", L"C:", L"", L"file", L".txt"},
             Case{L"\\\\server\\share\\x.y", L"", L"\\\\server\\share\\", L"x", L".y"},
             Case{L"a/b\\c.d/e", L"", L"a/b\\c.d/", L"e", L""},   // a period inside the directory is no extension
             Case{L".hidden", L"", L"", L"", L".hidden"},
             Case{L"..", L"", L"", L".", L"."},
             Case{L"/usr/lib/", L"", L"/usr/lib/", L"", L""},
             Case{L"x:y:z.w", L"x:", L"", L"y:z", L".w"},     // only the second character makes a drive
             Case{L"file.", L"", L"", L"file", L"."},
         }) {
        SCOPED_TRACE(Show(c.path));
        CString drive(L"old"), dir(L"old"), name(L"old"), ext(L"old");
        mySplitPath(c.path, &drive, &dir, &name, &ext);
        EXPECT_STREQ(drive.GetString(), c.drive);
        EXPECT_STREQ(dir.GetString(), c.dir);
        EXPECT_STREQ(name.GetString(), c.name);
        EXPECT_STREQ(ext.GetString(), c.ext);
        CString joined;
        myMakePath(joined, drive, dir, name, ext);
        EXPECT_STREQ(joined.GetString(), c.path);
    }
}

TEST(mySplitPath, NullOutputsAreSkippedAndNoPartIsCut) {
    CString dir(L"old"), ext(L"old");
    mySplitPath(L"C:\\a\\b.c", nullptr, &dir, nullptr, &ext);
    EXPECT_STREQ(dir.GetString(), L"\\a\\");
    EXPECT_STREQ(ext.GetString(), L".c");
    mySplitPath(L"C:\\a\\b.c", nullptr, nullptr, nullptr, nullptr);  // nothing wanted, nothing happens

    const std::wstring longName(1000, L'n');  // no part is cut, whatever its length
    const std::wstring path = L"C:\\" + longName + L"\\" + longName + L"." + longName;
    CString name;
    mySplitPath(path.c_str(), nullptr, &dir, &name, &ext);
    EXPECT_EQ(std::wstring(dir.GetString()), L"\\" + longName + L"\\");
    EXPECT_EQ(std::wstring(name.GetString()), longName);
    EXPECT_EQ(std::wstring(ext.GetString()), L"." + longName);
}

TEST(myMakePath, JoinsWithTheRuntimeConventions) {
    struct Case { const wchar_t *drive, *dir, *name, *ext, *out; };
    for (const Case& c : {
             Case{L"C", L"dir", L"file", L"txt", L"C:dir\\file.txt"},
             Case{nullptr, L"C:\\data\\", L"setup", L".log", L"C:\\data\\setup.log"},
             Case{nullptr, nullptr, nullptr, nullptr, L""},
             Case{L"", L"", L"", L"", L""},
             Case{L"D:", L"x/", L"n", L"", L"D:x/n"},        // a forward slash also closes a directory
             Case{L"Drive", L"\\x", nullptr, L"e", L"D:\\x\\.e"},  // the drive gives its first letter only
             Case{nullptr, nullptr, L"f.", L"e", L"f..e"},
             Case{nullptr, nullptr, L"f", L"..e", L"f..e"},
             Case{L"C", nullptr, nullptr, L"e", L"C:.e"},
         }) {
        CString out(L"previous");
        myMakePath(out, c.drive, c.dir, c.name, c.ext);
        EXPECT_STREQ(out.GetString(), c.out) << Show(c.drive) << Show(c.dir) << Show(c.name) << Show(c.ext);
    }
}

bool EndsWithSeparator(const CString& path) {
    const wchar_t last = path.IsEmpty() ? L'\0' : path.GetAt(path.GetLength() - 1);
#if defined(_WIN32)
    return last == L'\\';
#else
    return last == L'/';
#endif
}

TEST(myGetShortPath, ExistingPathHasAShortFormAndAMissingOneNone) {
    const CString temp = myGetTempPath();  // the system's own, with its separator
    ASSERT_TRUE(EndsWithSeparator(temp)) << testing::PrintToString(std::wstring(temp.GetString()));
    wchar_t direct[1024] = {};
    ASSERT_GT(GetTempPathW(1024, direct), 0u);
    EXPECT_STREQ(temp.GetString(), direct);
    int count = -1;
    const CString shortForm = myGetShortPath(temp, count);
    EXPECT_EQ(count, shortForm.GetLength());
    EXPECT_GT(count, 0);
#if !defined(_WIN32)
    EXPECT_STREQ(shortForm.GetString(), temp.GetString());  // no short names: the path itself
#endif
    const CString missing = temp + L"cw32-no-such-entry-4711";  // unchanged, with count zero
    count = -1;
    EXPECT_STREQ(myGetShortPath(missing, count).GetString(), missing.GetString());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(myGetShortPath, ShortFormBeyond260PlacesGivesAnEmptyText) {
    CString deep = myGetTempPath();
    while (deep.GetLength() <= 300) deep += L".\\";  // "." entries: the same existing directory
    int count = -1;
    const CString result = myGetShortPath(deep, count);
    EXPECT_GT(count, 260);
    EXPECT_TRUE(result.IsEmpty());
}

TEST(PathIsAscii, AcceptsOnlyThePlainCharacterSet) {
    struct Case { const wchar_t* path; bool plain; };
    for (const Case& c : {
             Case{L"C:\\Program Files (x86)\\App_1-2.0", true},
             Case{L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-.\\:() ", true},
             Case{L"C:/Temp", false}, Case{L"C:\\Donn\u00e9es", false}, Case{L"", false}, Case{L"a,b", false},
             Case{L"tab\there", false},
             Case{L"\u212a", false},    // the Kelvin sign is not the letter k
             Case{L"\u0130", false},    // nor is the dotted capital I an i
             Case{L"\uff21", false},    // nor a full-width A
         }) {
        EXPECT_EQ(PathIsAscii(c.path), c.plain) << Show(c.path);
    }
    EXPECT_FALSE(PathIsAscii(nullptr));
}

}  // namespace
