// The two ends of an NTLMv2 exchange above the message layer: the client answering a
// CHALLENGE with its AUTHENTICATE, and the server checking that AUTHENTICATE against the NT
// hash it keeps for the account.
#pragma once

#include "sspi/ntlm_messages.h"

namespace winport::detail::ntlm {

struct ClientIdentity {
    std::wstring user, domain, workstation;
    Key nt_hash{};
};

// What the client chooses itself; random in use, fixed by tests.
struct ClientChoices {
    std::uint32_t flags = 0;  // the AUTHENTICATE's flags; key exchange happens when they ask for it
    Challenge client_challenge{};
    std::uint64_t time = 0;  // FILETIME; the server's timestamp is used instead when it sends one
    Key random_session_key{};
    Version version{};
    bool with_mic = false;  // says so in the blob's target information and adds the MIC
};

// The AUTHENTICATE answering `challenge` (as received); `negotiate` is the client's own first
// message, which the MIC covers. False when the challenge does not decode.
bool BuildAuthenticate(const ClientIdentity& identity, const ClientChoices& choices, const Bytes& negotiate,
                       const Bytes& challenge, Bytes& authenticate, Key& exported_session_key);

// The server's side of the exchange so far: its two messages as sent and its challenge.
struct ServerTranscript {
    Bytes negotiate;
    Bytes challenge;
    Challenge server_challenge{};
};

// True when `decoded` (the decoding of `authenticate`) proves knowledge of the password whose
// NT hash is `nt_hash`: an NTLMv2 response whose proof matches, and a MIC that matches when the
// client says it sent one. Then `exported_session_key` is the key both ends now share.
bool VerifyAuthenticate(const ServerTranscript& transcript, const Bytes& authenticate,
                        const AuthenticateMessage& decoded, const Key& nt_hash, Key& exported_session_key);

}  // namespace winport::detail::ntlm
