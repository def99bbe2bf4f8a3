// Credential validation where Windows, Wine and winport answer alike: a domain without a known
// domain controller ends the operation with the lookup's status. The exchange itself is tested
// on winport (tests/posix); under Wine its NTLM package needs winbind's ntlm_auth, which the
// test machines do not have.
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

}  // namespace
