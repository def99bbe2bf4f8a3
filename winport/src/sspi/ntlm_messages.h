// The three NTLM messages (NEGOTIATE, CHALLENGE, AUTHENTICATE) and the target information
// list, as bytes on the wire. Decoding checks every offset and length against the message
// and answers a DecodeError for anything that does not fit: the server decodes what any
// client sends.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace winport::detail::ntlm {

using Bytes = std::vector<std::uint8_t>;
using Challenge = std::array<std::uint8_t, 8>;
using Key = std::array<std::uint8_t, 16>;
using Version = std::array<std::uint8_t, 8>;  // product major, minor, build (2), 3 reserved, revision

// Negotiate flags.
constexpr std::uint32_t kNegotiateUnicode = 0x00000001;
constexpr std::uint32_t kNegotiateOem = 0x00000002;
constexpr std::uint32_t kRequestTarget = 0x00000004;
constexpr std::uint32_t kNegotiateSign = 0x00000010;
constexpr std::uint32_t kNegotiateSeal = 0x00000020;
constexpr std::uint32_t kNegotiateNtlm = 0x00000200;
constexpr std::uint32_t kNegotiateAlwaysSign = 0x00008000;
constexpr std::uint32_t kTargetTypeDomain = 0x00010000;
constexpr std::uint32_t kTargetTypeServer = 0x00020000;
constexpr std::uint32_t kNegotiateExtendedSessionSecurity = 0x00080000;
constexpr std::uint32_t kNegotiateTargetInfo = 0x00800000;
constexpr std::uint32_t kNegotiateVersion = 0x02000000;
constexpr std::uint32_t kNegotiate128 = 0x20000000;
constexpr std::uint32_t kNegotiateKeyExchange = 0x40000000;
constexpr std::uint32_t kNegotiate56 = 0x80000000;

// Target information entries (AV pairs).
enum class AvId : std::uint16_t {
    kEol = 0,
    kNbComputerName = 1,
    kNbDomainName = 2,
    kDnsComputerName = 3,
    kDnsDomainName = 4,
    kDnsTreeName = 5,
    kFlags = 6,
    kTimestamp = 7,
};
// The kFlags bit by which a client says its AUTHENTICATE carries a MIC.
constexpr std::uint32_t kAvFlagMicPresent = 0x00000002;

struct AvPair {
    AvId id = AvId::kEol;
    Bytes value;
};

enum class DecodeError {
    kOk,
    kTooShort,          // shorter than the fixed header of its type
    kBadSignature,      // not "NTLMSSP\0"
    kWrongType,         // another message type
    kFieldOutOfBounds,  // a payload field reaches past the end of the message
    kBadTargetInfo,     // an AV pair past the end, a fixed-size pair of the wrong size, or no EOL
};

struct NegotiateMessage {
    std::uint32_t flags = 0;
    Bytes domain;       // OEM text, usually empty
    Bytes workstation;  // OEM text, usually empty
    Version version{};
};

struct ChallengeMessage {
    std::uint32_t flags = 0;
    Bytes target_name;  // UTF-16LE
    Challenge server_challenge{};
    Bytes target_info;  // encoded AV pairs, EOL included
    Version version{};
};

struct AuthenticateMessage {
    std::uint32_t flags = 0;
    Bytes lm_response;
    Bytes nt_response;
    Bytes domain, user, workstation;  // UTF-16LE
    Bytes encrypted_session_key;
    Version version{};
    bool has_mic = false;  // encoded after the version, before the payload
    Key mic{};
};
// Where the MIC sits in an AUTHENTICATE message that has one.
constexpr std::size_t kMicOffset = 72;

Bytes EncodeNegotiate(const NegotiateMessage& message);
Bytes EncodeChallenge(const ChallengeMessage& message);
Bytes EncodeAuthenticate(const AuthenticateMessage& message);

DecodeError DecodeNegotiate(const std::uint8_t* data, std::size_t size, NegotiateMessage& out);
DecodeError DecodeChallenge(const std::uint8_t* data, std::size_t size, ChallengeMessage& out);
DecodeError DecodeAuthenticate(const std::uint8_t* data, std::size_t size, AuthenticateMessage& out);

// The list, EOL appended; and back, stopping at EOL (which is not returned).
Bytes EncodeTargetInfo(const std::vector<AvPair>& pairs);
DecodeError DecodeTargetInfo(const std::uint8_t* data, std::size_t size, std::vector<AvPair>& out);
AvPair TextPair(AvId id, std::wstring_view text);
AvPair TimestampPair(std::uint64_t filetime);

// Wide text (UTF-32 on POSIX) to UTF-16LE and back. Lone surrogates pass through unchanged, so
// any name a client sends survives the trip; an odd last byte is dropped.
Bytes Utf16Le(std::wstring_view text);
std::wstring FromUtf16Le(const Bytes& bytes);

}  // namespace winport::detail::ntlm
