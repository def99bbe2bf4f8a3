// Credential validation over winport's security provider: a real NTLMv2 exchange checked
// against the NT hashes of a local account and of a domain's account, the domain controller
// lookup before it, every handle released in the documented order, and a fault sweep over
// every platform call of the operation.
#include <winport/domains.h>

#include "account_fixture.h"
#include "fault_sweep.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace wt = winport::testing;

namespace {

constexpr const wchar_t* kLocalUser = L"cw32-validate";
constexpr const wchar_t* kLocalPassword = L"Loc4l-secret";
constexpr const wchar_t* kDomain = L"CW32CORP";
constexpr const wchar_t* kDomainUser = L"alice";
constexpr const wchar_t* kDomainPassword = L"D0main-secret";
constexpr long kLogonDenied = SEC_E_LOGON_DENIED;

std::wstring Lower(std::wstring text) {
    for (wchar_t& ch : text) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return text;
}

class CredentialValidation : public cw32test::OwnMachineTest {
protected:
    void SetUp() override {
        OwnMachineTest::SetUp();
        if (HasFatalFailure()) return;  // no machine of its own: never touch the shared one
        ASSERT_EQ(cw32test::AddAccount(kLocalUser, kLocalPassword), 0u);
        ASSERT_EQ(winport::AddDomain(kDomain, L"\\\\DC1"), 0u);
        ASSERT_EQ(winport::AddDomainUser(kDomain, kDomainUser, kDomainPassword), 0u);
        // security.dll stays loaded after the first validation: load it first, so that the
        // handle counts below compare like with like.
        ASSERT_NE(LoadLibraryW(L"security.dll"), nullptr);
    }
};

TEST_F(CredentialValidation, TheExchangeAcceptsOnlyTheRightPasswordOfAKnownAccount) {
    const std::wstring computer = cw32test::ComputerName();
    struct Case {
        std::wstring domain;
        const wchar_t *user, *password;
        long expected;
    };
    const Case cases[] = {
        {Lower(computer), L"CW32-VALIDATE", kLocalPassword, 0},  // no lookup; user names ignore case
        {L"cw32corp", L"Alice", kDomainPassword, 0},
        {computer, kLocalUser, L"loc4l-secret", kLogonDenied},  // passwords do not ignore case
        {kDomain, kDomainUser, kLocalPassword, kLogonDenied},
        {kDomain, kLocalUser, kLocalPassword, kLogonDenied},  // a local account is not the domain's
        {computer, kDomainUser, kDomainPassword, kLogonDenied},
        {computer, L"", L"", kLogonDenied},
        {computer, kLocalUser, L"", kLogonDenied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.domain << L" " << c.user);
        const std::size_t handles = wt::LiveHandles(), blocks = wt::LiveLocalBlocks();
        EXPECT_EQ(ValidateDomainUserBySSPI(c.domain.c_str(), c.user, c.password), c.expected);
        EXPECT_EQ(wt::LiveHandles(), handles);
        EXPECT_EQ(wt::LiveLocalBlocks(), blocks);
    }
}

// What the operation asks of the system, in order: the lookup only for a foreign domain, the
// provider loaded only after it, the flags of both sides, and the releases in their order.
TEST_F(CredentialValidation, CallsTheProviderWithTheDocumentedFlagsAndReleasesInOrder) {
    auto provider_calls = [](const std::wstring& domain, const wchar_t* user, const wchar_t* password) {
        wt::StartCallLog();
        ValidateDomainUserBySSPI(domain.c_str(), user, password);
        wt::StopCallLog();
        std::vector<std::string> calls;
        for (const std::string& call : wt::CallLog()) {
            const std::string name = call.substr(0, call.find('('));
            if (name != "GetComputerNameW" && name != "lstrlenW" && name != "_wcsicmp") calls.push_back(call);
        }
        return calls;
    };
    const std::vector<std::string> unknown = provider_calls(L"NOSUCHDOMAIN", kDomainUser, kDomainPassword);
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].rfind("NetGetDCName(", 0), 0u) << unknown[0];

    const std::vector<std::string> wrong = provider_calls(kDomain, kDomainUser, L"wrong");
    const std::vector<std::string> expected_prefixes = {
        "NetGetDCName(",
        "NetApiBufferFree(",
        "LoadLibraryExW(security.dll",
        "GetProcAddress(InitSecurityInterfaceW",
        "AcquireCredentialsHandleW(NTLM use=2 identity",
        "AcquireCredentialsHandleW(NTLM use=3)",
        "InitializeSecurityContextW(first flags=2048 drep=16",
        "AcceptSecurityContext(first flags=2048 drep=16",
        "InitializeSecurityContextW(again flags=2048 drep=16",
        "AcceptSecurityContext(again flags=2048 drep=16",
        "FreeCredentialsHandle(",
        "FreeCredentialsHandle(",
        "DeleteSecurityContext(",
        "DeleteSecurityContext(",
    };
    ASSERT_EQ(wrong.size(), expected_prefixes.size());
    for (std::size_t i = 0; i < wrong.size(); ++i)
        EXPECT_EQ(wrong[i].rfind(expected_prefixes[i], 0), 0u) << wrong[i] << " is not " << expected_prefixes[i];
}

// The nth platform call fails, n = 1, 2, ... : the operation returns that call's code (a
// failed release or buffer free changes nothing), and nothing is left open.
TEST_F(CredentialValidation, FaultSweepReturnsTheFailingCallsCodeAndLeavesNothingOpen) {
    constexpr DWORD kInjected = ERROR_NOT_ENOUGH_MEMORY;
    for (const wchar_t* domain : {kDomain, L""}) {
        long result = -1;
        const std::set<std::string> faulted = cw32test::SweepFaults(
            kInjected,
            [&] {
                result = ValidateDomainUserBySSPI(domain, *domain ? kDomainUser : kLocalUser,
                                                  *domain ? kDomainPassword : kLocalPassword);
            },
            [&](unsigned, const std::string& where) {
                if (where.empty() || where == "NetApiBufferFree" || where == "FreeCredentialsHandle" ||
                    where == "DeleteSecurityContext")
                    EXPECT_EQ(result, 0) << where;
                else if (where == "GetComputerNameW")
                    EXPECT_NE(result, 0) << where;  // the size probe's failure shows as a short buffer
                else
                    EXPECT_EQ(result, static_cast<long>(kInjected)) << where;
            });
        for (const char* call : {"LoadLibraryExW", "GetProcAddress", "AcquireCredentialsHandleW",
                                 "InitializeSecurityContextW", "AcceptSecurityContext", "FreeCredentialsHandle",
                                 "DeleteSecurityContext"})
            EXPECT_EQ(faulted.count(call), 1u) << call;
        if (*domain) {
            EXPECT_EQ(faulted.count("NetGetDCName"), 1u);
        }
    }
}

TEST_F(CredentialValidation, DomainsAnswerNetGetDCNameUntilRemoved) {
    auto controller = [](const wchar_t* domain) -> std::wstring {
        LPBYTE buffer = nullptr;
        const NET_API_STATUS status = NetGetDCName(nullptr, domain, &buffer);
        if (status != NERR_Success) return L"error " + std::to_wstring(status);
        std::wstring name = reinterpret_cast<const wchar_t*>(buffer);
        EXPECT_EQ(NetApiBufferFree(buffer), 0u);
        return name;
    };
    EXPECT_EQ(controller(L"cw32Corp"), L"\\\\DC1");
    EXPECT_EQ(controller(L"OTHER"), L"error 2453");
    EXPECT_EQ(controller(L""), L"error 2453");  // a winport machine is in no domain of its own
    struct Change {
        DWORD result, expected;
    };
    const Change changes[] = {
        {winport::AddDomain(L"cw32corp", L"DC2"), ERROR_ALREADY_EXISTS},
        {winport::AddDomain(L"A\\B", L"DC2"), ERROR_INVALID_PARAMETER},
        {winport::AddDomainUser(kDomain, L"ALICE", L"x"), ERROR_ALREADY_EXISTS},
        {winport::AddDomainUser(L"OTHER", L"bob", L"x"), NERR_DCNotFound},
        {winport::RemoveDomainUser(kDomain, L"bob"), NERR_UserNotFound},
        {winport::AddDomain(L"OTHER", L"DC3"), 0},
        {winport::RemoveDomain(kDomain), 0},
        {winport::RemoveDomain(kDomain), NERR_DCNotFound},
    };
    for (const Change& change : changes) EXPECT_EQ(change.result, change.expected);
    EXPECT_EQ(controller(kDomain), L"error 2453");
    EXPECT_EQ(controller(L"other"), L"\\\\DC3");
    std::vector<winport::DomainEntry> domains;
    ASSERT_EQ(winport::ListDomains(domains), 0u);
    ASSERT_EQ(domains.size(), 1u);  // the domain's accounts went with it
    EXPECT_TRUE(domains[0].users.empty());
    ASSERT_EQ(winport::AddDomain(kDomain, L"DC1"), 0u);
    EXPECT_EQ(ValidateDomainUserBySSPI(kDomain, kDomainUser, kDomainPassword), kLogonDenied);
}

// The provider driven directly, as a host may.
TEST_F(CredentialValidation, ProviderRefusesBadHandlesAndMalformedMessages) {
    for (const wchar_t* name : {L"security.dll", L"SECURITY.DLL", L"Secur32.dll", L"security"}) {
        HMODULE module = LoadLibraryW(name);
        ASSERT_NE(module, nullptr);
        EXPECT_NE(GetProcAddress(module, "InitSecurityInterfaceW"), nullptr);
    }
    PSecurityFunctionTableW table = InitSecurityInterfaceW();
    wchar_t package[] = L"NTLM";
    CredHandle server{}, zero{};
    TimeStamp expiry;
    ASSERT_EQ(table->AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_INBOUND, nullptr, nullptr, nullptr,
                                               nullptr, &server, &expiry),
              SEC_E_OK);
    unsigned char out[8192];
    auto accept = [&](PCredHandle credential, std::vector<unsigned char> message) {
        SecBuffer in_token{static_cast<ULONG>(message.size()), SECBUFFER_TOKEN, message.data()};
        SecBuffer out_token{sizeof out, SECBUFFER_TOKEN, out};
        SecBufferDesc in{SECBUFFER_VERSION, 1, &in_token}, output{SECBUFFER_VERSION, 1, &out_token};
        CtxtHandle context{};
        ULONG attributes = 0;
        const SECURITY_STATUS status = table->AcceptSecurityContext(credential, nullptr, &in, ASC_REQ_CONNECTION,
                                                                    SECURITY_NATIVE_DREP, &context, &output,
                                                                    &attributes, &expiry);
        if (status == SEC_I_CONTINUE_NEEDED) {
            EXPECT_EQ(table->DeleteSecurityContext(&context), SEC_E_OK);
        }
        return status;
    };
    const std::vector<unsigned char> negotiate = {'N', 'T', 'L', 'M', 'S', 'S', 'P', 0, 1, 0, 0, 0, 0x07, 0x82, 0x08, 0xA2,
                                                  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<unsigned char> wrong_type = negotiate;
    wrong_type[8] = 3;
    struct Case {
        SECURITY_STATUS status, expected;
    };
    const Case cases[] = {
        {accept(&server, negotiate), SEC_I_CONTINUE_NEEDED},
        {accept(&server, {}), SEC_E_INVALID_TOKEN},
        {accept(&server, {negotiate.begin(), negotiate.begin() + 20}), SEC_E_INVALID_TOKEN},
        {accept(&server, wrong_type), SEC_E_INVALID_TOKEN},
        {accept(&zero, negotiate), SEC_E_INVALID_HANDLE},
        {accept(nullptr, negotiate), SEC_E_INVALID_HANDLE},
        {table->DeleteSecurityContext(&zero), SEC_E_INVALID_HANDLE},
        {table->CompleteAuthToken(&zero, nullptr), SEC_E_UNSUPPORTED_FUNCTION},
        {table->InitializeSecurityContextW(&server, nullptr, package, 0, 0, SECURITY_NATIVE_DREP, nullptr, 0, &zero,
                                           nullptr, nullptr, &expiry),
         SEC_E_NO_CREDENTIALS},
        {table->FreeCredentialsHandle(&server), SEC_E_OK},
        {table->FreeCredentialsHandle(&server), SEC_E_INVALID_HANDLE},
        {accept(&server, negotiate), SEC_E_INVALID_HANDLE},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].status, cases[i].expected) << "case " << i;
    EXPECT_EQ(wt::LiveHandles(winport::HandleKind::Credential), 0u);
    EXPECT_EQ(wt::LiveHandles(winport::HandleKind::SecurityContext), 0u);

    PSecPkgInfoW info = nullptr;
    ASSERT_EQ(table->QuerySecurityPackageInfoW(package, &info), SEC_E_OK);
    EXPECT_STREQ(info->Name, L"NTLM");
    EXPECT_EQ(table->FreeContextBuffer(info), SEC_E_OK);
}

}  // namespace
