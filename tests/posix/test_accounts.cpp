// winport's accounts: name forms and case, the well-known names, the buffer-size protocols,
// accounts added, re-keyed and removed (only their NT hash kept), the machine SID kept.
#include "account_fixture.h"

#include <cstring>
#include <cwchar>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wt = winport::testing;

namespace {

using cw32test::AddAccount;
using cw32test::ComputerName;

class WinportAccounts : public cw32test::OwnMachineTest {
protected:
    struct Lookup {
        BOOL ok = FALSE;
        DWORD error = 0;
        std::wstring sid, domain;
        SID_NAME_USE use = SidTypeInvalid;
    };
    static Lookup ByName(const std::wstring& name) {
        BYTE sid[SECURITY_MAX_SID_SIZE] = {};
        WCHAR domain[64] = {};
        DWORD sid_size = sizeof sid, domain_size = 64;
        Lookup result;
        result.ok = LookupAccountNameW(nullptr, name.c_str(), sid, &sid_size, domain, &domain_size, &result.use);
        result.error = result.ok ? 0 : GetLastError();
        if (result.ok) {
            result.sid = SidText(sid);
            result.domain = domain;
            EXPECT_EQ(sid_size, GetLengthSid(sid));
            EXPECT_EQ(domain_size, result.domain.size());
        }
        return result;
    }
    static std::wstring SidText(PSID sid) {
        LPWSTR text = nullptr;
        if (!ConvertSidToStringSidW(sid, &text)) return L"?";
        std::wstring copy = text;
        LocalFree(text);
        return copy;
    }
    // "DOMAIN\name" of a SID, or the error.
    static std::wstring BySid(const std::wstring& text) {
        PSID sid = nullptr;
        if (!ConvertStringSidToSidW(text.c_str(), &sid)) return L"bad sid";
        WCHAR name[64] = {}, domain[64] = {};
        DWORD name_size = 64, domain_size = 64;
        SID_NAME_USE use;
        const BOOL ok = LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use);
        const DWORD error = GetLastError();
        LocalFree(sid);
        return ok ? std::wstring(domain) + L"\\" + name : L"error " + std::to_wstring(error);
    }
    static std::wstring PosixName(uid_t uid) {
        const passwd* entry = getpwuid(uid);
        return std::wstring(entry->pw_name, entry->pw_name + std::strlen(entry->pw_name));
    }
    static std::wstring RootName() { return PosixName(0); }
    static NET_API_STATUS SetPassword(const wchar_t* name, const wchar_t* password, DWORD level = 1003) {
        USER_INFO_1003 info{const_cast<LPWSTR>(password)};
        return NetUserSetInfo(nullptr, name, level, reinterpret_cast<LPBYTE>(&info), nullptr);
    }
};

TEST_F(WinportAccounts, NamesResolveInEveryFormWithoutCase) {
    const std::wstring computer = ComputerName();
    const std::wstring machine = ByName(RootName()).sid;
    ASSERT_EQ(machine.rfind(L"S-1-5-21-", 0), 0u) << machine;
    ASSERT_EQ(machine.substr(machine.size() - 5), L"-1000");  // root's uid 0
    struct Case {
        std::wstring name, domain, sid;
        SID_NAME_USE use;
    } cases[] = {  // the well-known names are compared with Windows' answers by tests/probes
        {L".\\" + RootName(), computer, machine, SidTypeUser},
        {computer + L"\\" + RootName(), computer, machine, SidTypeUser},
        {L"ROOT", computer, machine, SidTypeUser},
    };
    for (const Case& c : cases) {
        const Lookup found = ByName(c.name);
        EXPECT_TRUE(found.ok) << found.error;
        EXPECT_EQ(found.sid, c.sid);
        EXPECT_EQ(found.domain, c.domain);
        EXPECT_EQ(found.use, c.use);
        const std::wstring back = BySid(c.sid);
        EXPECT_EQ(back.substr(0, back.find(L'\\')), c.domain);
        EXPECT_EQ(wcscasecmp(back.substr(back.find(L'\\') + 1).c_str(),
                             c.name.substr(c.name.find(L'\\') + 1).c_str()), 0) << back;
    }
    for (const std::wstring& unknown : {L"ELSEWHERE\\" + RootName(), L"NT AUTHORITY\\" + RootName(),
                                        std::wstring(L"BUILTIN\\"), std::wstring()}) {
        EXPECT_EQ(ByName(unknown).error, static_cast<DWORD>(ERROR_NONE_MAPPED)) << unknown;
    }
    EXPECT_EQ(BySid(machine.substr(0, machine.size() - 4) + L"1073741823"), L"error 1332");
}

// The buffer protocols of the lookups are compared with Windows' answers by tests/probes.
TEST_F(WinportAccounts, TheUserNameTellsItsSizeAndHasOnlyTheSamForm) {
    const std::wstring expected = ComputerName() + L"\\" + PosixName(geteuid());
    WCHAR user[64];
    ULONG size = 3;
    EXPECT_FALSE(GetUserNameExW(NameSamCompatible, user, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, expected.size() + 1);
    ASSERT_TRUE(GetUserNameExW(NameSamCompatible, user, &size));
    EXPECT_EQ(user, expected);
    EXPECT_EQ(size, expected.size());
    EXPECT_FALSE(GetUserNameExW(NameUserPrincipal, user, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NONE_MAPPED));
}

TEST_F(WinportAccounts, AccountsAreAddedRekeyedAndRemovedKeepingOnlyTheNtHash) {
    const std::string password_hash = "a4f49c406510bdcab6824ee7c30fd852";  // NT hash of "Password"
    enum Op { kAdd, kSet, kDel };
    struct Step {
        Op op;
        const wchar_t* name;
        const wchar_t* password;
        DWORD level;
        NET_API_STATUS status;
        bool resolves;
    } steps[] = {
        {kAdd, L"Alice", L"Password", 1, NERR_Success, true},
        {kAdd, L"ALICE", L"Password", 1, NERR_UserExists, true},
        {kAdd, L"Everyone", L"Password", 1, NERR_UserExists, true},
        {kAdd, L"Bob", L"Password", 2, ERROR_INVALID_PARAMETER, false},
        {kAdd, L"B\\ob", L"Password", 1, ERROR_INVALID_PARAMETER, false},
        {kAdd, L"Bob", nullptr, 1, ERROR_INVALID_PARAMETER, false},
        {kSet, L"alice", L"Other", 1003, NERR_Success, true},
        {kSet, L"alice", L"Password", 1002, ERROR_INVALID_PARAMETER, true},
        {kSet, L"nobody-xyz", L"Password", 1003, NERR_UserNotFound, false},
        {kDel, L"root", nullptr, 0, ERROR_ACCESS_DENIED, true},
        {kSet, L"alice", L"Password", 1003, NERR_Success, true},
        {kDel, L"aLiCe", nullptr, 0, NERR_Success, false},
        {kDel, L"Alice", nullptr, 0, NERR_UserNotFound, false},
    };
    std::string previous_hash;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.op << " " << (s.name ? std::string(s.name, s.name + wcslen(s.name)) : ""));
        const NET_API_STATUS status = s.op == kAdd   ? AddAccount(s.name, s.password, s.level)
                                      : s.op == kSet ? SetPassword(s.name, s.password, s.level)
                                                     : NetUserDel(nullptr, s.name);
        EXPECT_EQ(status, s.status);
        EXPECT_EQ(ByName(s.name).ok, s.resolves ? TRUE : FALSE);
        const std::string hash = wt::StoredNtHash(L"alice");
        if (s.status == NERR_Success && s.op != kDel) {
            EXPECT_EQ(hash == password_hash, std::wstring(s.password) == L"Password") << hash;
            EXPECT_NE(hash, previous_hash);
        }
        previous_hash = hash;
    }
    EXPECT_EQ(wt::StoredNtHash(L"alice"), "");

    // An added account's SID is the machine's with a RID of its own, and names it back.
    ASSERT_EQ(AddAccount(L"Carol", L"x"), NERR_Success);
    const Lookup carol = ByName(L"carol");
    EXPECT_EQ(carol.domain, ComputerName());
    EXPECT_EQ(carol.use, SidTypeUser);
    EXPECT_EQ(BySid(carol.sid), ComputerName() + L"\\Carol");
    DWORD parm = 0;
    EXPECT_EQ(AddAccount(L"", L"x", 1, &parm), static_cast<NET_API_STATUS>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(parm, static_cast<DWORD>(USER_NAME_PARMNUM));
    wt::FailNthCall(1, ERROR_ACCESS_DENIED, "NetUserAdd");
    EXPECT_EQ(AddAccount(L"Dave", L"x"), static_cast<NET_API_STATUS>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ByName(L"Dave").error, static_cast<DWORD>(ERROR_NONE_MAPPED));
}

TEST_F(WinportAccounts, TheMachineSidIsMadeOnceAndKept) {
    const std::wstring first = ByName(RootName()).sid;
    wt::ResetStore();
    EXPECT_EQ(ByName(RootName()).sid, first);
    NewRoot();
    EXPECT_NE(ByName(RootName()).sid, first) << "another machine, another SID";
    struct stat info {};
    ASSERT_EQ(stat((root_ + "/system.db").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the NT hashes are the owner's alone";
}

TEST_F(WinportAccounts, SidStringsRoundTrip) {
    const std::size_t blocks = wt::LiveLocalBlocks();
    struct Case {
        const wchar_t* text;
        const wchar_t* canonical;  // null: refused with ERROR_INVALID_SID
    } cases[] = {
        {L"S-1-5-32-544", L"S-1-5-32-544"}, {L"s-1-5-18", L"S-1-5-18"}, {L"S-1-5", L"S-1-5"},
        {L"S-1-0x123456789ABC-1", L"S-1-0x123456789ABC-1"}, {L"S-1-0x10-4294967295", L"S-1-16-4294967295"},
        {L"S-2-5-18", nullptr}, {L"S-1-5-", nullptr}, {L"S-1-5-18x", nullptr}, {L"S-1-5-4294967296", nullptr},
        {L"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", nullptr},
    };
    for (const Case& c : cases) {
        PSID sid = nullptr;
        const BOOL ok = ConvertStringSidToSidW(c.text, &sid);
        EXPECT_EQ(ok, c.canonical != nullptr ? TRUE : FALSE) << c.text;
        if (!ok) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SID));
            continue;
        }
        EXPECT_TRUE(IsValidSid(sid));
        EXPECT_EQ(SidText(sid), c.canonical);
        LocalFree(sid);
    }
    EXPECT_EQ(wt::LiveLocalBlocks(), blocks);
}

}  // namespace
