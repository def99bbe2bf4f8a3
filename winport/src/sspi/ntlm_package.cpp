// POSIX emulation of the "NTLM" package's two calls, InitializeSecurityContextW (the client)
// and AcceptSecurityContext (the server), over the NTLM core: NEGOTIATE, CHALLENGE with a
// random server challenge and the target information, AUTHENTICATE with the NTLMv2 response,
// checked against the NT hash kept for a local account or a domain's account. No library
// logic here.
#include <winport/errors.h>
#include <winport/kernel.h>
#include <winport/sspi.h>

#include "accounts/account_directory.h"
#include "core/calllog.h"
#include "core/fault.h"
#include "core/text.h"
#include "core/unsupported.h"
#include "netapi/domain_directory.h"
#include "sspi/ntlm_exchange.h"
#include "sspi/provider_objects.h"
#include "sspi/server_challenge.h"

using namespace winport::detail;
using namespace winport::detail::sspi;

namespace {

namespace ntlm = winport::detail::ntlm;
using Stage = ContextObject::Stage;

// What the client offers; the server grants what it understands of it.
constexpr std::uint32_t kClientFlags = ntlm::kNegotiateUnicode | ntlm::kRequestTarget | ntlm::kNegotiateNtlm |
                                       ntlm::kNegotiateAlwaysSign | ntlm::kNegotiateExtendedSessionSecurity |
                                       ntlm::kNegotiateVersion | ntlm::kNegotiate128 | ntlm::kNegotiateKeyExchange |
                                       ntlm::kNegotiate56;
constexpr std::uint32_t kGrantedIfAsked = ntlm::kNegotiateExtendedSessionSecurity | ntlm::kNegotiate128 |
                                          ntlm::kNegotiateKeyExchange | ntlm::kNegotiate56;
constexpr std::uint32_t kServerFlags = ntlm::kNegotiateUnicode | ntlm::kRequestTarget | ntlm::kNegotiateNtlm |
                                       ntlm::kNegotiateAlwaysSign | ntlm::kTargetTypeServer |
                                       ntlm::kNegotiateTargetInfo | ntlm::kNegotiateVersion;
// Windows 10, build 19041, NTLM revision 15.
constexpr ntlm::Version kVersion = {10, 0, 0x61, 0x4A, 0, 0, 0, 15};

// Flags the package does not honour: memory it would allocate, and the styles it does not speak.
constexpr ULONG kUnsupportedRequests = ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_USE_DCE_STYLE | ISC_REQ_DATAGRAM;

SECURITY_STATUS FaultStatus() { return static_cast<SECURITY_STATUS>(GetLastError()); }

std::uint64_t Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

ntlm::Bytes InputToken(PSecBufferDesc input) {
    const SecBuffer* token = TokenBuffer(input);
    if (token == nullptr || token->pvBuffer == nullptr) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(token->pvBuffer);
    return ntlm::Bytes(bytes, bytes + token->cbBuffer);
}

void Answer(ULONG requested, ULONG* attributes, PTimeStamp expiry) {
    if (attributes != nullptr) *attributes = requested & ISC_REQ_CONNECTION;  // ASC_RET_CONNECTION is the same bit
    NeverExpires(expiry);
}

bool IsLocalDomain(const std::wstring& domain) {
    return domain.empty() || domain == L"." || FoldCase(domain) == FoldCase(accounts::LocalDomain());
}

// The NT hash the server checks against: a local account's, or a known domain's account's.
// SEC_E_OK, SEC_E_LOGON_DENIED for an account nobody keeps, SEC_E_INTERNAL_ERROR when the
// store fails.
SECURITY_STATUS StoredHash(const std::wstring& domain, const std::wstring& user, ntlm::Key& nt_hash) {
    if (user.empty()) return SEC_E_LOGON_DENIED;  // anonymous logons are not offered
    if (IsLocalDomain(domain)) {
        accounts::AccountSession session;
        if (session.store == nullptr) return SEC_E_INTERNAL_ERROR;
        accounts::UserRow row;
        switch (accounts::LoadUser(*session.store, user, row)) {
            case accounts::Found::Failed: return SEC_E_INTERNAL_ERROR;
            case accounts::Found::No: return SEC_E_LOGON_DENIED;
            case accounts::Found::Yes: nt_hash = row.nt_hash; return SEC_E_OK;
        }
    }
    domains::DomainSession session;
    if (session.store == nullptr) return SEC_E_INTERNAL_ERROR;
    switch (domains::LoadDomainUser(*session.store, domain, user, nt_hash)) {
        case domains::Found::Failed: return SEC_E_INTERNAL_ERROR;
        case domains::Found::No: return SEC_E_LOGON_DENIED;
        case domains::Found::Yes: break;
    }
    return SEC_E_OK;
}

SECURITY_STATUS ClientNegotiate(const std::shared_ptr<CredentialObject>& credential, PCtxtHandle new_context,
                                PSecBufferDesc output) {
    if (new_context == nullptr) return SEC_E_INVALID_PARAMETER;
    ntlm::NegotiateMessage negotiate;
    negotiate.flags = kClientFlags;
    negotiate.version = kVersion;
    auto context = std::make_shared<ContextObject>(false);
    context->credential = credential;
    context->negotiate = ntlm::EncodeNegotiate(negotiate);
    if (const SECURITY_STATUS written = WriteToken(output, context->negotiate); written != SEC_E_OK) return written;
    PutHandle(context, *new_context);
    return SEC_I_CONTINUE_NEEDED;
}

SECURITY_STATUS ClientAuthenticate(ContextObject& context, PSecBufferDesc input, PSecBufferDesc output) {
    const ntlm::Bytes challenge = InputToken(input);
    ntlm::ChallengeMessage decoded;
    if (ntlm::DecodeChallenge(challenge.data(), challenge.size(), decoded) != ntlm::DecodeError::kOk)
        return SEC_E_INVALID_TOKEN;
    const CredentialObject& credential = *context.credential;
    ntlm::ClientIdentity identity{credential.user, credential.domain, accounts::LocalDomain(), credential.nt_hash};
    ntlm::ClientChoices choices;
    choices.flags = decoded.flags & (kClientFlags | ntlm::kNegotiateTargetInfo | ntlm::kTargetTypeServer |
                                     ntlm::kTargetTypeDomain);
    ntlm::RandomBytes(choices.client_challenge.data(), choices.client_challenge.size());
    ntlm::RandomBytes(choices.random_session_key.data(), choices.random_session_key.size());
    choices.time = Now();
    choices.version = kVersion;
    choices.with_mic = true;
    ntlm::Bytes authenticate;
    ntlm::Key session_key{};
    if (!ntlm::BuildAuthenticate(identity, choices, context.negotiate, challenge, authenticate, session_key))
        return SEC_E_INVALID_TOKEN;
    if (const SECURITY_STATUS written = WriteToken(output, authenticate); written != SEC_E_OK) return written;
    context.stage = Stage::kDone;
    return SEC_E_OK;
}

SECURITY_STATUS ServerChallenge(const std::shared_ptr<CredentialObject>& credential, const ntlm::Bytes& message,
                                PCtxtHandle new_context, PSecBufferDesc output) {
    ntlm::NegotiateMessage negotiate;
    if (ntlm::DecodeNegotiate(message.data(), message.size(), negotiate) != ntlm::DecodeError::kOk)
        return SEC_E_INVALID_TOKEN;
    if (new_context == nullptr) return SEC_E_INVALID_PARAMETER;
    const std::wstring computer = accounts::LocalDomain();
    const std::wstring dns = FoldCase(computer);
    ntlm::ChallengeMessage challenge;
    challenge.flags = kServerFlags | (negotiate.flags & kGrantedIfAsked);
    challenge.target_name = ntlm::Utf16Le(computer);
    challenge.server_challenge = ntlm::NewServerChallenge();
    challenge.target_info = ntlm::EncodeTargetInfo({ntlm::TextPair(ntlm::AvId::kNbDomainName, computer),
                                                    ntlm::TextPair(ntlm::AvId::kNbComputerName, computer),
                                                    ntlm::TextPair(ntlm::AvId::kDnsDomainName, dns),
                                                    ntlm::TextPair(ntlm::AvId::kDnsComputerName, dns),
                                                    ntlm::TimestampPair(Now())});
    challenge.version = kVersion;
    auto context = std::make_shared<ContextObject>(true);
    context->credential = credential;
    context->stage = Stage::kChallengeSent;
    context->negotiate = message;
    context->challenge = ntlm::EncodeChallenge(challenge);
    context->server_challenge = challenge.server_challenge;
    if (const SECURITY_STATUS written = WriteToken(output, context->challenge); written != SEC_E_OK) return written;
    PutHandle(context, *new_context);
    return SEC_I_CONTINUE_NEEDED;
}

SECURITY_STATUS ServerVerify(ContextObject& context, const ntlm::Bytes& message, PSecBufferDesc output) {
    ntlm::AuthenticateMessage decoded;
    if (ntlm::DecodeAuthenticate(message.data(), message.size(), decoded) != ntlm::DecodeError::kOk)
        return SEC_E_INVALID_TOKEN;
    // Whatever the verdict, this context has had its one try.
    context.stage = Stage::kDone;
    ntlm::Key nt_hash{};
    const SECURITY_STATUS stored =
        StoredHash(ntlm::FromUtf16Le(decoded.domain), ntlm::FromUtf16Le(decoded.user), nt_hash);
    if (stored != SEC_E_OK) return stored;
    const ntlm::ServerTranscript transcript{context.negotiate, context.challenge, context.server_challenge};
    ntlm::Key session_key{};
    if (!ntlm::VerifyAuthenticate(transcript, message, decoded, nt_hash, session_key)) return SEC_E_LOGON_DENIED;
    // Nothing goes back to the client after its AUTHENTICATE.
    if (SecBuffer* token = TokenBuffer(output)) token->cbBuffer = 0;
    return SEC_E_OK;
}

// What both calls do first: the call log, the fault point, and the flags the package refuses.
SECURITY_STATUS Enter(const char* function, PCtxtHandle context, ULONG requested, ULONG representation) {
    LogCall(function, [&] {
        return std::string(context ? "again" : "first") + " flags=" + std::to_string(requested) +
               " drep=" + std::to_string(representation);
    });
    if (FaultPoint(function)) return FaultStatus();
    if (requested & kUnsupportedRequests) {
        ReportUnsupported(function, "request flags " + std::to_string(requested & kUnsupportedRequests));
        return SEC_E_UNSUPPORTED_FUNCTION;
    }
    return SEC_E_OK;
}

template <class T>
std::shared_ptr<T> Find(const SecHandle* handle, HandleKind kind) {
    return std::static_pointer_cast<T>(FindHandle(handle, kind));
}

// A side's second call: its own context (the server's or the client's), at the stage its one
// further step is taken from, then the step; a new context handle asked for is the same one.
template <class Step>
SECURITY_STATUS Continue(PCtxtHandle phContext, PCtxtHandle phNewContext, bool server, Stage expected, Step step) {
    auto context = Find<ContextObject>(phContext, HandleKind::SecurityContext);
    if (!context || context->server != server) return SEC_E_INVALID_HANDLE;
    std::lock_guard<std::mutex> lock(context->mutex);
    if (context->stage != expected) return SEC_E_OUT_OF_SEQUENCE;
    const SECURITY_STATUS status = step(*context);
    if (phNewContext != nullptr && phNewContext != phContext) *phNewContext = *phContext;
    return status;
}

}  // namespace

extern "C" SECURITY_STATUS WINAPI InitializeSecurityContextW(PCredHandle phCredential, PCtxtHandle phContext,
                                                              SEC_WCHAR* pszTargetName, ULONG fContextReq,
                                                              ULONG Reserved1, ULONG TargetDataRep,
                                                              PSecBufferDesc pInput, ULONG Reserved2,
                                                              PCtxtHandle phNewContext, PSecBufferDesc pOutput,
                                                              ULONG* pfContextAttr, PTimeStamp ptsExpiry) {
    if (const SECURITY_STATUS refused = Enter("InitializeSecurityContextW", phContext, fContextReq, TargetDataRep);
        refused != SEC_E_OK)
        return refused;
    (void)pszTargetName, (void)Reserved1, (void)Reserved2;  // NTLM names no target
    auto credential = Find<CredentialObject>(phCredential, HandleKind::Credential);
    if (!credential) return SEC_E_INVALID_HANDLE;
    if (!credential->has_identity || !(credential->use & SECPKG_CRED_OUTBOUND)) return SEC_E_NO_CREDENTIALS;
    SECURITY_STATUS status = SEC_E_OK;
    if (phContext == nullptr) {
        status = ClientNegotiate(credential, phNewContext, pOutput);
    } else {
        status = Continue(phContext, phNewContext, false, Stage::kNegotiateSent,
                          [&](ContextObject& context) { return ClientAuthenticate(context, pInput, pOutput); });
    }
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) Answer(fContextReq, pfContextAttr, ptsExpiry);
    return status;
}

extern "C" SECURITY_STATUS WINAPI AcceptSecurityContext(PCredHandle phCredential, PCtxtHandle phContext,
                                                         PSecBufferDesc pInput, ULONG fContextReq, ULONG TargetDataRep,
                                                         PCtxtHandle phNewContext, PSecBufferDesc pOutput,
                                                         ULONG* pfContextAttr, PTimeStamp ptsExpiry) {
    if (const SECURITY_STATUS refused = Enter("AcceptSecurityContext", phContext, fContextReq, TargetDataRep);
        refused != SEC_E_OK)
        return refused;
    auto credential = Find<CredentialObject>(phCredential, HandleKind::Credential);
    if (!credential) return SEC_E_INVALID_HANDLE;
    if (!(credential->use & SECPKG_CRED_INBOUND)) return SEC_E_NO_CREDENTIALS;
    const ntlm::Bytes message = InputToken(pInput);
    SECURITY_STATUS status = SEC_E_OK;
    if (phContext == nullptr) {
        status = ServerChallenge(credential, message, phNewContext, pOutput);
    } else {
        status = Continue(phContext, phNewContext, true, Stage::kChallengeSent,
                          [&](ContextObject& context) { return ServerVerify(context, message, pOutput); });
    }
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED) Answer(fContextReq, pfContextAttr, ptsExpiry);
    return status;
}
