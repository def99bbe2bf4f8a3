// winport's local policy: rights kept per SID across processes, real names only, each change
// whole or not at all, the handle checks, and write access refused to a non-administrator.
#include "account_fixture.h"

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace wt = winport::testing;

namespace {

using cw32test::Counted;

struct Sid {
    explicit Sid(const wchar_t* text) { EXPECT_TRUE(ConvertStringSidToSidW(text, &sid)); }
    ~Sid() { LocalFree(sid); }
    PSID sid = nullptr;
};

LSA_HANDLE Open(ACCESS_MASK access, NTSTATUS expected = STATUS_SUCCESS) {
    LSA_OBJECT_ATTRIBUTES attributes{};
    LSA_HANDLE handle = nullptr;
    EXPECT_EQ(LsaOpenPolicy(nullptr, &attributes, access, &handle), expected);
    return handle;
}

// The rights listed for `sid`, with the block released.
std::vector<std::wstring> Listed(LSA_HANDLE policy, PSID sid, NTSTATUS& status) {
    PLSA_UNICODE_STRING rights = nullptr;
    ULONG count = 99;
    status = LsaEnumerateAccountRights(policy, sid, &rights, &count);
    std::vector<std::wstring> names;
    for (ULONG i = 0; i < count && rights != nullptr; ++i) {
        EXPECT_EQ(rights[i].Buffer[rights[i].Length / sizeof(WCHAR)], L'\0');
        names.emplace_back(rights[i].Buffer, rights[i].Length / sizeof(WCHAR));
    }
    EXPECT_EQ(rights == nullptr, count == 0);
    EXPECT_EQ(LsaFreeMemory(rights), STATUS_SUCCESS);
    return names;
}

TEST(WinportPolicy, RightsAreKeptPerSidByTheirExactNames) {
    Sid account(L"S-1-5-21-1-2-3-1001"), other(L"S-1-5-21-1-2-3-1002");
    const std::size_t blocks = wt::LiveLocalBlocks();
    LSA_HANDLE policy = Open(POLICY_ALL_ACCESS);
    enum Op { kAdd, kRemove, kRemoveAll };
    struct Step {
        Op op;
        std::vector<std::wstring> names;
        NTSTATUS status;
        std::vector<std::wstring> held;  // afterwards, in the order granted
    } steps[] = {
        {kAdd, {L"SeServiceLogonRight", L"SeBackupPrivilege"}, STATUS_SUCCESS, {L"SeServiceLogonRight", L"SeBackupPrivilege"}},
        {kAdd, {L"seservicelogonright"}, STATUS_NO_SUCH_PRIVILEGE, {L"SeServiceLogonRight", L"SeBackupPrivilege"}},
        {kAdd, {L"SeBatchLogonRight", L"SeNoSuchPrivilege"}, STATUS_NO_SUCH_PRIVILEGE, {L"SeServiceLogonRight", L"SeBackupPrivilege"}},
        {kAdd, {L"SeServiceLogonRight", L"SeDenyBatchLogonRight"}, STATUS_SUCCESS,
         {L"SeServiceLogonRight", L"SeBackupPrivilege", L"SeDenyBatchLogonRight"}},
        {kRemove, {L"SeBackupPrivilege", L"SeTcbPrivilege"}, STATUS_SUCCESS, {L"SeServiceLogonRight", L"SeDenyBatchLogonRight"}},
        {kRemove, {L"SeNoSuchPrivilege"}, STATUS_NO_SUCH_PRIVILEGE, {L"SeServiceLogonRight", L"SeDenyBatchLogonRight"}},
        {kRemoveAll, {L"ignored"}, STATUS_SUCCESS, {}},
        {kRemoveAll, {}, STATUS_OBJECT_NAME_NOT_FOUND, {}},
        {kRemove, {L"SeBackupPrivilege"}, STATUS_OBJECT_NAME_NOT_FOUND, {}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << (&s - steps));
        std::vector<LSA_UNICODE_STRING> counted;
        for (const std::wstring& name : s.names) counted.push_back(Counted(name));
        const ULONG count = static_cast<ULONG>(counted.size());
        const NTSTATUS status = s.op == kAdd ? LsaAddAccountRights(policy, account.sid, counted.data(), count)
                                             : LsaRemoveAccountRights(policy, account.sid, s.op == kRemoveAll,
                                                                      counted.data(), count);
        EXPECT_EQ(status, s.status);
        NTSTATUS listed = 0;
        EXPECT_EQ(Listed(policy, account.sid, listed), s.held);
        EXPECT_EQ(listed, s.held.empty() ? STATUS_OBJECT_NAME_NOT_FOUND : STATUS_SUCCESS);
        EXPECT_EQ(Listed(policy, other.sid, listed), std::vector<std::wstring>());
    }
    // Kept in system.db: another connection (another process) reads the grant.
    const std::wstring service_logon = L"SeServiceLogonRight";
    LSA_UNICODE_STRING right = Counted(service_logon);
    EXPECT_EQ(LsaAddAccountRights(policy, other.sid, &right, 1), STATUS_SUCCESS);
    wt::ResetStore();
    NTSTATUS listed = 0;
    EXPECT_EQ(Listed(policy, other.sid, listed), std::vector<std::wstring>{L"SeServiceLogonRight"});
    EXPECT_EQ(LsaClose(policy), STATUS_SUCCESS);
    EXPECT_EQ(wt::LiveHandles(winport::HandleKind::Policy), 0u);
    EXPECT_EQ(wt::LiveLocalBlocks(), blocks);
}

TEST(WinportPolicy, BadHandlesSidsAndStringsAreRefused) {
    Sid account(L"S-1-5-21-1-2-3-1003");
    LSA_HANDLE policy = Open(POLICY_ALL_ACCESS);
    LSA_HANDLE reader = Open(POLICY_LOOKUP_NAMES);
    BYTE bad_sid[8] = {2, 1};  // revision 2
    std::wstring text = L"SeServiceLogonRight";
    LSA_UNICODE_STRING right = Counted(text), odd = right;
    odd.Length -= 1;
    PLSA_UNICODE_STRING rights = nullptr;
    ULONG count = 0;
    LSA_OBJECT_ATTRIBUTES attributes{};
    const std::wstring machine_name = L"\\\\CW32-ELSEWHERE";
    LSA_UNICODE_STRING machine = Counted(machine_name);
    LSA_HANDLE elsewhere = nullptr;
    struct Case {
        const char* what;
        NTSTATUS status, expected;
    } cases[] = {
        {"null SID", LsaAddAccountRights(policy, nullptr, &right, 1), STATUS_INVALID_PARAMETER},
        {"malformed SID", LsaAddAccountRights(policy, bad_sid, &right, 1), STATUS_INVALID_SID},
        {"odd length", LsaAddAccountRights(policy, account.sid, &odd, 1), STATUS_INVALID_PARAMETER},
        {"read-only handle", LsaAddAccountRights(reader, account.sid, &right, 1), STATUS_ACCESS_DENIED},
        {"no rights to enumerate", LsaEnumerateAccountRights(reader, account.sid, &rights, &count), STATUS_OBJECT_NAME_NOT_FOUND},
        {"another machine", LsaOpenPolicy(&machine, &attributes, POLICY_LOOKUP_NAMES, &elsewhere), RPC_NT_SERVER_UNAVAILABLE},
        {"close", LsaClose(reader), STATUS_SUCCESS},
        {"close again", LsaClose(reader), STATUS_INVALID_HANDLE},
        {"close", LsaClose(policy), STATUS_SUCCESS},
    };
    for (const Case& c : cases) EXPECT_EQ(c.status, c.expected) << c.what;
    EXPECT_EQ(rights, nullptr);
    EXPECT_EQ(wt::LiveHandles(winport::HandleKind::Policy), 0u);
}

// Needs a process that is no administrator: root's child becomes nobody. As another user the
// test owns its state folder, which makes it an administrator of its own machine.
TEST(WinportPolicy, WriteAccessNeedsAnAdministrator) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can run a child as another user";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
        LSA_OBJECT_ATTRIBUTES attributes{};
        LSA_HANDLE handle = nullptr;
        int failures = 0;
        for (ACCESS_MASK write : {static_cast<ACCESS_MASK>(POLICY_ALL_ACCESS), static_cast<ACCESS_MASK>(POLICY_CREATE_ACCOUNT),
                                  static_cast<ACCESS_MASK>(GENERIC_WRITE), static_cast<ACCESS_MASK>(WRITE_DAC)})
            failures += LsaOpenPolicy(nullptr, &attributes, write, &handle) != STATUS_ACCESS_DENIED;
        failures += LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_VIEW_LOCAL_INFORMATION, &handle) !=
                    STATUS_SUCCESS;
        failures += LsaClose(handle) != STATUS_SUCCESS;
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "checks that failed in the child (10: could not become nobody)";
}

}  // namespace
