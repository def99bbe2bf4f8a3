// NTLM keys and responses (NTLMv2 only), over nettle's MD4, MD5, HMAC-MD5 and ARCFOUR.
#pragma once

#include "sspi/ntlm_messages.h"

namespace winport::detail::ntlm {

// MD4 of the UTF-16LE password: the only form of a password that is ever stored.
Key NtHash(std::wstring_view password);
// The NTLMv2 response key: HMAC-MD5 keyed by the NT hash over the upper-cased user name and
// the domain, both UTF-16LE as they travel.
Key NtOwfV2(const Key& nt_hash, const Bytes& user, const Bytes& domain);

Key HmacMd5(const Key& key, const Bytes& data);
// RC4 of 16 bytes under a 16-byte key: the key exchange, either way.
Key Rc4(const Key& key, const Key& data);

// The client's blob that the NT proof covers, after the server challenge.
Bytes ClientBlob(std::uint64_t time, const Challenge& client_challenge, const Bytes& target_info);

struct ResponsesV2 {
    Bytes lm_response;  // LMv2: proof over both challenges, then the client challenge
    Bytes nt_response;  // NTProofStr, then the blob
    Key session_base_key{};
};
ResponsesV2 ComputeResponsesV2(const Key& response_key, const Challenge& server_challenge,
                               const Challenge& client_challenge, std::uint64_t time, const Bytes& target_info);

// HMAC-MD5 under the exported session key over the three messages as sent, the MIC field of
// the AUTHENTICATE message zeroed.
Key ComputeMic(const Key& exported_session_key, const Bytes& negotiate, const Bytes& challenge,
               const Bytes& authenticate);

// Compares without an early exit (nettle's memeql_sec), so the time taken tells nothing of
// where a guess went wrong.
bool ConstantTimeEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t size);

}  // namespace winport::detail::ntlm
