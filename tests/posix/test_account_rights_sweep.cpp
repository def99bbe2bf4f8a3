// The account-right operations as the policy sees them: what each asks of the system, in which
// order, with which access (the call log), and a fault-injection sweep over every platform call
// of each: the documented code, no policy handle and no block left behind.
#include "account_fixture.h"
#include "fault_sweep.h"

#include <functional>
#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

constexpr const wchar_t* kUser = L"cw32-rights";
constexpr DWORD kInjected = ERROR_NOT_ENOUGH_MEMORY;

std::string Computer() {
    const std::wstring name = cw32test::ComputerName();
    return std::string(name.begin(), name.end());
}

class AccountRightsSeams : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const NET_API_STATUS status = cw32test::AddAccount(kUser, L"Pw-1234");
        ASSERT_TRUE(status == NERR_Success || status == NERR_UserExists) << status;
    }
    void TearDown() override {
        wt::DisarmFaults();
        wt::StopCallLog();
    }
    // Sets whether `account` holds `right`, straight through the policy.
    static void Hold(const wchar_t* right, bool held, const wchar_t* account = kUser) {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        WCHAR domain[64];
        DWORD sid_size = sizeof sid, domain_size = 64;
        SID_NAME_USE use;
        ASSERT_TRUE(LookupAccountNameW(nullptr, account, sid, &sid_size, domain, &domain_size, &use));
        LSA_OBJECT_ATTRIBUTES attributes{};
        LSA_HANDLE policy = nullptr;
        ASSERT_EQ(LsaOpenPolicy(nullptr, &attributes, POLICY_ALL_ACCESS, &policy), STATUS_SUCCESS);
        const std::wstring name = right;
        LSA_UNICODE_STRING counted = cw32test::Counted(name);
        if (held) EXPECT_EQ(LsaAddAccountRights(policy, sid, &counted, 1), STATUS_SUCCESS);
        else LsaRemoveAccountRights(policy, sid, FALSE, &counted, 1);
        LsaClose(policy);
    }
    // The calls an operation made: the lookups and opens with their arguments, the rest by name.
    static std::vector<std::string> Calls(const std::function<long()>& run, long& result) {
        wt::StartCallLog();
        result = run();
        wt::StopCallLog();
        std::vector<std::string> calls;
        for (const std::string& call : wt::CallLog()) {
            if (call.rfind("GetComputerNameW", 0) == 0) continue;  // the computer's name, read as usual
            const bool whole = call.rfind("LookupAccountNameW", 0) == 0 || call.rfind("LsaOpenPolicy", 0) == 0 ||
                               call.rfind("GetUserNameExW", 0) == 0;
            calls.push_back(whole ? call : call.substr(0, call.find('(')));
        }
        return calls;
    }
};

TEST_F(AccountRightsSeams, EachOperationAsksThePolicyAsDocumented) {
    const std::string open = "LsaOpenPolicy(access=987135)";  // POLICY_ALL_ACCESS, 0x000F0FFF
    const std::string looked_up = "LookupAccountNameW(null, " + Computer() + "\\cw32-rights)";
    const std::vector<std::string> test = {open, looked_up, "LsaEnumerateAccountRights", "LsaFreeMemory", "LsaClose"};
    const std::vector<std::string> no_rights = {open, looked_up, "LsaEnumerateAccountRights", "LsaClose"};
    const std::vector<std::string> grant = {open, looked_up, "LsaAddAccountRights", "LsaClose"};
    auto then = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    auto unknown = [&](const std::string& name) {
        return std::vector<std::string>{open, "LookupAccountNameW(null, " + name + ")", "LsaClose"};
    };
    const std::wstring too_long(260, L'x');
    struct Case {
        const char* what;
        const wchar_t* held;  // the right the account holds before (null: none)
        std::function<long()> run;
        long result;
        std::vector<std::string> calls;
    } cases[] = {
        {"leading backslash", L"SeBatchLogonRight", [] { return HasPrivilege(L"SeBatchLogonRight", L"\\cw32-rights"); },
         ERROR_SUCCESS, test},
        {"other case", L"SeBatchLogonRight", [] { return HasPrivilege(L"SEBATCHLOGONRIGHT", kUser); }, ERROR_NOT_FOUND, test},
        {"backslash last", nullptr, [] { return HasRightLogonAsService(L"cw32-rights\\"); }, ERROR_NONE_MAPPED,
         unknown("cw32-rights\\")},
        {"two backslashes", nullptr, [] { return HasRightLogonAsService(L"a\\b\\c"); }, ERROR_NONE_MAPPED, unknown("a\\b\\c")},
        {"at-sign form", nullptr, [] { return HasRightLogonAsService(L"cw32-rights@corp"); }, ERROR_NONE_MAPPED,
         unknown(Computer() + "\\cw32-rights@corp")},
        {"held: no grant", L"SeBatchLogonRight", [] { return AddPrivilege(L"SeBatchLogonRight", kUser); }, ERROR_SUCCESS, test},
        {"not held: one grant", L"SeBackupPrivilege", [] { return AddPrivilege(L"SeBatchLogonRight", kUser); },
         ERROR_SUCCESS, then(test, grant)},
        {"grant refused", nullptr, [] { return AddPrivilege(L"SeNoSuchPrivilege", kUser); }, ERROR_NO_SUCH_PRIVILEGE,
         then(no_rights, grant)},
        {"failed test, grant tried", nullptr, [] { return AddPrivilege(L"SeBatchLogonRight", L"nobody-cw32"); },
         ERROR_NONE_MAPPED, then(unknown(Computer() + "\\nobody-cw32"), unknown(Computer() + "\\nobody-cw32"))},
        {"logon right granted even when held", L"SeServiceLogonRight", [] { return AddRightLogonAsService(kUser); },
         ERROR_SUCCESS, grant},
        {"260 characters", nullptr, [&] { return AddPrivilege(too_long.c_str(), kUser); }, ERROR_INVALID_PARAMETER,
         then(no_rights, {open, looked_up, "LsaClose"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const wchar_t* right : {L"SeBatchLogonRight", L"SeBackupPrivilege", L"SeServiceLogonRight"})
            Hold(right, c.held != nullptr && std::wstring(c.held) == right);
        long result = -1;
        const std::vector<std::string> calls = Calls(c.run, result);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(calls, c.calls);
    }
}

struct Operation {
    const char* name;
    std::function<long()> run;
    bool held_before;  // the right the run is about is held when it starts
    long ok;
    // The result when the kth call of `where` fails (LsaClose and LsaFreeMemory change nothing).
    std::function<long(const std::string& where, std::size_t k)> failed;
};

long Injected(const std::string& where, std::size_t) {
    return where == "GetComputerNameW" ? ERROR_NONE_MAPPED : static_cast<long>(kInjected);
}

// AddPrivilege's test may fail: the grant goes ahead and gives the result.
long GrantAfterTest(const std::string& where, std::size_t k) {
    if (where == "LsaEnumerateAccountRights" || ((where == "LsaOpenPolicy" || where == "LookupAccountNameW") && k == 1))
        return ERROR_SUCCESS;
    return Injected(where, k);
}

std::vector<Operation> Operations() {
    return {
        {"HasPrivilege", [] { return HasPrivilege(L"SeBatchLogonRight", kUser); }, true, ERROR_SUCCESS, Injected},
        {"AddPrivilege", [] { return AddPrivilege(L"SeBatchLogonRight", kUser); }, false, ERROR_SUCCESS, GrantAfterTest},
        {"HasRightLogonAsService", [] { return HasRightLogonAsService(kUser); }, false, ERROR_NOT_FOUND, Injected},
        {"AddRightLogonAsService", [] { return AddRightLogonAsService(kUser); }, false, ERROR_SUCCESS, Injected},
        {"HasPrivilegeOnCurrentUser", [] { return HasPrivilegeOnCurrentUser(L"SeBatchLogonRight"); }, false,
         ERROR_NOT_FOUND, Injected},
        {"AddPrivilegeOnCurrentUser", [] { return AddPrivilegeOnCurrentUser(L"SeBatchLogonRight"); }, false,
         ERROR_SUCCESS, GrantAfterTest},
    };
}

class AccountRightsSweep : public AccountRightsSeams, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(AccountRightsSweep, EveryFailingCallGivesTheDocumentedCode) {
    const Operation op = Operations()[GetParam()];
    const bool current = std::string(op.name).find("CurrentUser") != std::string::npos;
    long result = -1;
    std::vector<std::string> calls;
    const std::set<std::string> faulted = cw32test::SweepFaults(
        kInjected,
        [&] {
            wt::StartCallLog();
            result = op.run();
            wt::StopCallLog();
            calls = wt::CallLog();
        },
        [&](unsigned n, const std::string& where) {
            EXPECT_EQ(wt::LiveHandles(winport::HandleKind::Policy), 0u);
            if (where.empty()) {
                EXPECT_EQ(result, op.ok);
                return;
            }
            std::size_t k = 0;
            for (std::size_t i = 0; i < n && i < calls.size(); ++i) k += calls[i].rfind(where + "(", 0) == 0;
            SCOPED_TRACE(where + " call " + std::to_string(k));
            const bool harmless = where == "LsaClose" || where == "LsaFreeMemory";
            EXPECT_EQ(result, harmless ? op.ok : op.failed(where, k));
        },
        [&] {
            // The current user's rights change in the test's own store only.
            WCHAR me[256];
            ULONG size = 256;
            ASSERT_TRUE(GetUserNameExW(NameSamCompatible, me, &size));
            // Both rights the operations ask about, so that no run depends on an earlier one.
            for (const wchar_t* right : {L"SeBatchLogonRight", L"SeServiceLogonRight"})
                Hold(right, op.held_before, current ? me : kUser);
        });
    EXPECT_TRUE(faulted.count(current ? "GetUserNameExW" : "GetComputerNameW")) << "the sweep missed a call";
    EXPECT_TRUE(faulted.count("LsaOpenPolicy") && faulted.count("LookupAccountNameW") && faulted.count("LsaClose"));
}

std::string OperationName(const ::testing::TestParamInfo<std::size_t>& info) { return Operations()[info.param].name; }

INSTANTIATE_TEST_SUITE_P(AccountRights, AccountRightsSweep, ::testing::Range<std::size_t>(0, Operations().size()),
                         OperationName);

}  // namespace
