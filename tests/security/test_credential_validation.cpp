// Credential validation where Windows, Wine and winport answer alike: a domain without a known
// domain controller ends the operation with the lookup's status. The exchange with real
// accounts is tested on winport (tests/posix): under Wine the NTLM package needs winbind's
// ntlm_auth, which the test machines do not have.
#include <common-win32/common-win32.h>

#include <gtest/gtest.h>

namespace {

constexpr const wchar_t* kUnknownDomain = L"CW32-NO-SUCH-DOMAIN";

TEST(CredentialValidation, AnUnknownDomainEndsWithTheControllerLookupsStatus) {
    LPBYTE controller = nullptr;
    EXPECT_EQ(NetGetDCName(nullptr, kUnknownDomain, &controller), static_cast<NET_API_STATUS>(NERR_DCNotFound));
    if (controller != nullptr) NetApiBufferFree(controller);
    EXPECT_EQ(ValidateDomainUserBySSPI(kUnknownDomain, L"user", L"password"), static_cast<long>(NERR_DCNotFound));
}

// No domain: the exchange decides. winport's server refuses an account it does not keep; Wine,
// without ntlm_auth, has no NTLM package at all and the client's credential request says so.
TEST(CredentialValidation, AnUnknownLocalAccountIsRefusedByTheExchange) {
#if defined(CW32_TESTS_UNDER_WINE)
    const long expected = SEC_E_SECPKG_NOT_FOUND;
#else
    const long expected = SEC_E_LOGON_DENIED;
#endif
    EXPECT_EQ(ValidateDomainUserBySSPI(L"", L"cw32-nobody", L"password"), expected);
}

}  // namespace
