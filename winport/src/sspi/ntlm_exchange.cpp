#include "sspi/ntlm_exchange.h"

#include "sspi/ntlm_crypto.h"

#include <algorithm>

namespace winport::detail::ntlm {
namespace {

constexpr std::size_t kProofSize = 16;
constexpr std::size_t kBlobFixedSize = 28;  // version bytes, reserved, time, client challenge, reserved

std::uint32_t FlagsValue(const AvPair& pair) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(pair.value[i]) << (8 * i);
    return v;
}

// The server's target information with the MIC announced in its flags pair (added if missing).
std::vector<AvPair> AnnounceMic(std::vector<AvPair> pairs) {
    auto flags = std::find_if(pairs.begin(), pairs.end(), [](const AvPair& p) { return p.id == AvId::kFlags; });
    if (flags == pairs.end()) flags = pairs.insert(pairs.end(), AvPair{AvId::kFlags, Bytes(4, 0)});
    flags->value[0] = static_cast<std::uint8_t>(flags->value[0] | kAvFlagMicPresent);
    return pairs;
}

}  // namespace

bool BuildAuthenticate(const ClientIdentity& identity, const ClientChoices& choices, const Bytes& negotiate,
                       const Bytes& challenge, Bytes& authenticate, Key& exported_session_key) {
    ChallengeMessage server;
    if (DecodeChallenge(challenge.data(), challenge.size(), server) != DecodeError::kOk) return false;
    std::vector<AvPair> pairs;
    DecodeTargetInfo(server.target_info.data(), server.target_info.size(), pairs);  // checked by DecodeChallenge

    std::uint64_t time = choices.time;
    const auto stamp = std::find_if(pairs.begin(), pairs.end(), [](const AvPair& p) { return p.id == AvId::kTimestamp; });
    if (stamp != pairs.end()) {
        time = 0;
        for (std::size_t i = 0; i < 8; ++i) time |= static_cast<std::uint64_t>(stamp->value[i]) << (8 * i);
    }
    // The client's blob echoes the server's list byte for byte unless it has to add to it.
    const Bytes target_info = choices.with_mic ? EncodeTargetInfo(AnnounceMic(pairs)) : server.target_info;

    AuthenticateMessage m;
    m.flags = choices.flags;
    m.domain = Utf16Le(identity.domain);
    m.user = Utf16Le(identity.user);
    m.workstation = Utf16Le(identity.workstation);
    m.version = choices.version;
    const Key response_key = NtOwfV2(identity.nt_hash, m.user, m.domain);
    ResponsesV2 responses =
        ComputeResponsesV2(response_key, server.server_challenge, choices.client_challenge, time, target_info);
    m.nt_response = std::move(responses.nt_response);
    // With the server's timestamp the NT response carries the time; the LM response is zeros.
    m.lm_response = stamp != pairs.end() ? Bytes(24, 0) : std::move(responses.lm_response);

    exported_session_key = responses.session_base_key;
    if (choices.flags & kNegotiateKeyExchange) {
        const Key encrypted = Rc4(responses.session_base_key, choices.random_session_key);
        m.encrypted_session_key.assign(encrypted.begin(), encrypted.end());
        exported_session_key = choices.random_session_key;
    }
    m.has_mic = choices.with_mic;
    authenticate = EncodeAuthenticate(m);
    if (m.has_mic) {
        const Key mic = ComputeMic(exported_session_key, negotiate, challenge, authenticate);
        std::copy(mic.begin(), mic.end(), authenticate.begin() + kMicOffset);
    }
    return true;
}

bool VerifyAuthenticate(const ServerTranscript& transcript, const Bytes& authenticate,
                        const AuthenticateMessage& decoded, const Key& nt_hash, Key& exported_session_key) {
    // Shorter than a proof and the blob's fixed part is no NTLMv2 response (NTLMv1 is refused).
    const Bytes& nt = decoded.nt_response;
    if (nt.size() < kProofSize + kBlobFixedSize) return false;
    const Key response_key = NtOwfV2(nt_hash, decoded.user, decoded.domain);
    Bytes covered(transcript.server_challenge.begin(), transcript.server_challenge.end());
    covered.insert(covered.end(), nt.begin() + kProofSize, nt.end());
    const Key proof = HmacMd5(response_key, covered);
    if (!ConstantTimeEqual(proof.data(), nt.data(), kProofSize)) return false;

    const Key session_base_key = HmacMd5(response_key, Bytes(proof.begin(), proof.end()));
    exported_session_key = session_base_key;
    if (decoded.flags & kNegotiateKeyExchange) {
        if (decoded.encrypted_session_key.size() != 16) return false;
        Key encrypted;
        std::copy(decoded.encrypted_session_key.begin(), decoded.encrypted_session_key.end(), encrypted.begin());
        exported_session_key = Rc4(session_base_key, encrypted);
    }

    // The blob's target information (what the proof covered) says whether a MIC was sent.
    std::vector<AvPair> pairs;
    const std::uint8_t* info = nt.data() + kProofSize + kBlobFixedSize;
    DecodeTargetInfo(info, nt.size() - kProofSize - kBlobFixedSize, pairs);
    const bool mic_announced = std::any_of(pairs.begin(), pairs.end(), [](const AvPair& p) {
        return p.id == AvId::kFlags && (FlagsValue(p) & kAvFlagMicPresent);
    });
    if (!mic_announced) return true;
    if (!decoded.has_mic) return false;
    const Key mic = ComputeMic(exported_session_key, transcript.negotiate, transcript.challenge, authenticate);
    return ConstantTimeEqual(mic.data(), decoded.mic.data(), mic.size());
}

}  // namespace winport::detail::ntlm
