// The system queries as winport's seams see them: the INI reader's buffer sizes call by call,
// and each query when the system refuses it.
#include <common-win32/common-win32.h>
#include <winport/testing.h>

#include "classlib/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

TEST(QuerySeams, TheIniReaderAsksWithBuffersOf260520780) {
    cw32test::TempFolder dir;
    dir.Write(L"long.ini", "[s]\r\nv=" + std::string(600, 'x') + "\r\n");
    const std::wstring file = dir.Path(L"long.ini");
    struct Case {
        unsigned limit;
        std::vector<std::string> reads;
    };
    for (const Case& c : {Case{1000, {"s v size=260", "s v size=520", "s v size=780"}},
                          Case{300, {"s v size=260", "s v size=520"}}, Case{0, {"s v size=260"}}}) {
        CString value;
        wt::StartCallLog();
        myGetPrivateProfileString(L"s", L"v", L"", value, file.c_str(), c.limit);
        wt::StopCallLog();
        std::vector<std::string> reads;
        for (const std::string& call : wt::CallLog())
            if (call.rfind("GetPrivateProfileStringW(", 0) == 0) reads.push_back(call.substr(25, call.size() - 26));
        EXPECT_EQ(reads, c.reads) << c.limit;
    }
}

TEST(QuerySeams, ARefusalGivesItsCodeOrAnEmptyAnswer) {
    CString text(L"stale");
    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "MsiGetFileVersionW");
    EXPECT_EQ(myMsiGetFileVersion(L"/bin/sh", text), static_cast<unsigned>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(text.IsEmpty());
    text = L"stale";
    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "MsiGetProductInfoW");
    EXPECT_EQ(myMsiGetProductInfo(L"{99999999-9999-9999-9999-999999999999}", L"ProductName", text),
              static_cast<unsigned>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(text.IsEmpty());
    text = L"stale";
    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "GetPrivateProfileStringW");
    EXPECT_EQ(myGetPrivateProfileString(L"s", L"k", L"d", text, L"/nonexistent/x.ini", 0), 0u);
    EXPECT_TRUE(text.IsEmpty());
    // The first call only learns the size: a refusal of the second is the one that counts.
    text = L"stale";
    wt::FailNthCall(2, ERROR_ACCESS_DENIED, "GetComputerNameW");
    EXPECT_FALSE(myGetComputerName(text));
    EXPECT_TRUE(text.IsEmpty());
    wt::DisarmFaults();
}

}  // namespace
