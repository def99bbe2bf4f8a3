// Fault-injection sweep over every CInstallRegistry operation: the nth winport call fails, for
// n = 1, 2, ... until the operation runs untouched. Each time: no crash, false with the injected
// error (a failing RegCloseKey changes nothing), no key handle left open, no value half-written.
#include "fault_sweep.h"

#include <common-win32/common-win32.h>

#include <functional>

namespace wt = winport::testing;

namespace {

constexpr DWORD kInjected = ERROR_NOT_ENOUGH_MEMORY;
const CString kBasePath = L"HKEY_CURRENT_USER\\Software\\cw32-sweep";

struct Operation {
    const char* name;
    std::function<bool()> run;
    // Extra check after a faulted run (the store as the failed operation left it).
    std::function<void(bool result)> after_fault;
};

CInstallRegistry Opened() {
    CInstallRegistry reg;
    reg.OpenKey(kBasePath, KEY_ALL_ACCESS);
    return reg;
}

// Opens the seeded key and runs `step` on it: a failed open is the operation's failure.
bool OnKey(const std::function<bool(CInstallRegistry&)>& step) {
    CInstallRegistry reg;
    return reg.OpenKey(kBasePath, KEY_ALL_ACCESS) && step(reg);
}

// Seeds the key every operation works on: values of each kind and a small tree.
void Seed() {
    CInstallRegistry reg;
    reg.DeleteKey(kBasePath);
    ASSERT_TRUE(reg.CreateKey(kBasePath));
    ASSERT_TRUE(reg.SetString(L"text", L"old", false));
    ASSERT_TRUE(reg.SetString(L"path", L"%HOME%/x", true));
    ASSERT_TRUE(reg.SetDWord(L"number", 5));
    CStringArray items;
    items.Add(L"a");
    items.Add(L"b");
    ASSERT_TRUE(reg.SetMultiString(L"multi", items));
    for (const wchar_t* key : {L"\\tree\\a\\x", L"\\tree\\b", L"\\tree\\c"}) {
        CInstallRegistry sub;
        ASSERT_TRUE(sub.CreateKey(kBasePath + key));
    }
}

bool KeyExists(const CString& path) {
    CInstallRegistry reg;
    return reg.OpenKey(path, KEY_READ);
}

CString ReadText(const wchar_t* name) {
    CInstallRegistry reg = Opened();
    CString value;
    reg.GetString(name, value);
    return value;
}

std::vector<Operation> Operations() {
    auto text_intact = [](bool result) {
        CString now = ReadText(L"text");
        EXPECT_TRUE(now == L"old" || (result && now == L"new")) << "half-written value";
    };
    using Reg = CInstallRegistry;
    return {
        {"OpenKey", [] { Reg r; return r.OpenKey(kBasePath, KEY_READ); }, nullptr},
        {"CreateKey", [] { Reg r; return r.CreateKey(kBasePath + L"\\new\\deeper"); },
         [](bool result) { EXPECT_EQ(result, KeyExists(kBasePath + L"\\new\\deeper")); }},
        {"CreateKey64", [] { Reg r; return r.CreateKey(HKEY_CURRENT_USER, L"Software\\cw32-sweep\\n", true); }, nullptr},
        // A failure deep in the walk may cost nothing (a leaf that could not be opened is still
        // deleted) or be retried by the walk's restart; true must always mean the tree is gone.
        {"DeleteKey", [] { Reg r; return r.DeleteKey(kBasePath + L"\\tree"); },
         [](bool result) {
             if (result) {
                 EXPECT_FALSE(KeyExists(kBasePath + L"\\tree"));
             }
             EXPECT_EQ(ReadText(L"text"), L"old") << "the walk went above its key";
         }},
        {"GetValue", [] {
             CString d;
             DWORD t = 0, s = 0;
             return OnKey([&](Reg& r) { return r.GetValue(L"text", &d, &t, &s) && d == L"old"; });
         }, nullptr},
        {"GetString", [] { CString v; return OnKey([&](Reg& r) { return r.GetString(L"text", v) && v == L"old"; }); },
         nullptr},
        {"GetPathString",
         [] { CString v; return OnKey([&](Reg& r) { return r.GetPathString(L"path", v) && v.Right(2) == L"/x"; }); },
         nullptr},
        {"GetDWord", [] { DWORD v = 0; return OnKey([&](Reg& r) { return r.GetDWord(L"number", &v) && v == 5; }); },
         nullptr},
        {"GetMultiString",
         [] { CStringArray a; return OnKey([&](Reg& r) { return r.GetMultiString(L"multi", a) && a.GetSize() == 2; }); },
         nullptr},
        {"SetString", [] { return OnKey([](Reg& r) { return r.SetString(L"text", L"new", false); }); }, text_intact},
        {"SetDWord", [] { return OnKey([](Reg& r) { return r.SetDWord(L"number", 6); }); }, nullptr},
        {"SetValue", [] { return OnKey([](Reg& r) { return r.SetValue(L"raw", L"xy", REG_BINARY, 2); }); }, nullptr},
        {"SetMultiString", [] {
             CStringArray a;
             a.Add(L"z");
             return OnKey([&](Reg& r) { return r.SetMultiString(L"multi", a); });
         }, nullptr},
        {"EnumKeys", [] { CString n; return OnKey([&](Reg& r) { return r.EnumKeys(n, true) && n == L"tree"; }); },
         nullptr},
        {"EnumValues", [] { CString n; return OnKey([&](Reg& r) { return r.EnumValues(n, true) && !n.IsEmpty(); }); },
         nullptr},
        {"DeleteValue", [] { return OnKey([](Reg& r) { return r.DeleteValue(L"number"); }); }, nullptr},
        {"searchRegistry", [] { return CInstallRegistry::searchRegistry(kBasePath, L"number", L"18") == L"5"; },
         nullptr},
    };
}

class RegistrySweep : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RegistrySweep, EveryFailingCallGivesTheDocumentedResult) {
    const Operation op = Operations()[GetParam()];
    bool result = false;
    DWORD error = 0;
    cw32test::SweepFaults(
        kInjected,
        [&] {
            try {
                result = op.run();
            } catch (long thrown) {
                ADD_FAILURE() << op.name << " threw " << thrown;
            }
            error = GetLastError();
        },
        [&](unsigned n, const std::string& where) {
            if (where.empty()) {
                EXPECT_TRUE(result) << op.name << " failed without a fault";
                EXPECT_GT(n, 1u) << op.name << " made no platform call";
                return;
            }
            if (where == "RegCloseKey") {
                EXPECT_TRUE(result) << op.name << ": a failing close must not change the result";
            } else if (std::string(op.name) != "DeleteKey") {
                EXPECT_FALSE(result) << op.name << ": " << where << " failed unnoticed";
                EXPECT_EQ(error, kInjected) << op.name << " in " << where;
            }
            if (op.after_fault) op.after_fault(result);
        },
        Seed);
}

std::string OperationName(const ::testing::TestParamInfo<std::size_t>& info) { return Operations()[info.param].name; }

INSTANTIATE_TEST_SUITE_P(CInstallRegistry, RegistrySweep, ::testing::Range<std::size_t>(0, Operations().size()),
                         OperationName);

TEST(RegistryHandles, CopiesHoldOneHandleEachAndCloseIt) {
    Seed();
    const std::size_t before = wt::LiveHandles(wt::HandleKind::RegistryKey);
    {
        CInstallRegistry a = Opened();
        EXPECT_EQ(wt::LiveHandles(wt::HandleKind::RegistryKey), before + 1);
        CInstallRegistry b(a);
        CInstallRegistry c;
        c = b;
        EXPECT_EQ(wt::LiveHandles(wt::HandleKind::RegistryKey), before + 3);
        EXPECT_NE(a.GetHKEY(), b.GetHKEY());
        c = CInstallRegistry();
        EXPECT_EQ(wt::LiveHandles(wt::HandleKind::RegistryKey), before + 2);
    }
    EXPECT_EQ(wt::LiveHandles(wt::HandleKind::RegistryKey), before);
}

}  // namespace
