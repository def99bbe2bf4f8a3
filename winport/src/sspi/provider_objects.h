// What the provider's credential and context handles stand for, and the SecHandle form of a
// winport handle. The objects live in the handle table, so handle accounting counts them.
#pragma once

#include <winport/sspi.h>

#include "core/handles.h"
#include "sspi/ntlm_messages.h"

#include <memory>
#include <mutex>
#include <string>

namespace winport::detail::sspi {

struct CredentialObject : KernelObject {
    CredentialObject() : KernelObject(HandleKind::Credential) {}
    ULONG use = 0;  // SECPKG_CRED_INBOUND, _OUTBOUND or both
    // The client's identity, when one was given: the password is kept only as its NT hash.
    bool has_identity = false;
    std::wstring user, domain;
    ntlm::Key nt_hash{};
};

struct ContextObject : KernelObject {
    enum class Stage { kNegotiateSent, kChallengeSent, kDone };
    explicit ContextObject(bool is_server) : KernelObject(HandleKind::SecurityContext), server(is_server) {}
    std::mutex mutex;  // one call at a time on a context
    const bool server;
    Stage stage = Stage::kNegotiateSent;
    std::shared_ptr<CredentialObject> credential;
    // The messages so far as sent, which the MIC covers, and the server's challenge.
    ntlm::Bytes negotiate, challenge;
    ntlm::Challenge server_challenge{};
};

// dwLower holds the handle; dwUpper a tag, so a zeroed or foreign SecHandle is never taken
// for one of ours.
constexpr ULONG_PTR kHandleTag = 0x4D4C544E;  // "NTLM"
void PutHandle(const std::shared_ptr<KernelObject>& object, SecHandle& out);
// The object behind `handle`, or null when it is null, zeroed, closed or of another kind.
std::shared_ptr<KernelObject> FindHandle(const SecHandle* handle, HandleKind kind);
// Removes it from the table; false when it is not a live handle of `kind`.
bool DropHandle(const SecHandle* handle, HandleKind kind);

// The token buffer of a buffer list: the first SECBUFFER_TOKEN, or null.
SecBuffer* TokenBuffer(PSecBufferDesc list);
// Copies a message into the output list's token buffer: SEC_E_OK, or SEC_E_INVALID_TOKEN
// without a token buffer, SEC_E_BUFFER_TOO_SMALL when it does not fit.
SECURITY_STATUS WriteToken(PSecBufferDesc output, const ntlm::Bytes& message);
// A time that never comes, for the expiry of credentials and contexts.
void NeverExpires(PTimeStamp expiry);

}  // namespace winport::detail::sspi
