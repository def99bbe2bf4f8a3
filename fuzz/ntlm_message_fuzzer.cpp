// The NTLM decoders on any bytes, as a server meets them: no crash and no read outside the
// input (ASan sees its exact size); whatever decodes, encodes back to a message that decodes to
// the same fields; and a decoded AUTHENTICATE goes through the server's check.
#include "sspi/ntlm_crypto.h"
#include "sspi/ntlm_exchange.h"
#include "sspi/ntlm_messages.h"

#include <cstdlib>

namespace ntlm = winport::detail::ntlm;

namespace {

// Decodes the input as one message type; when it decodes, its encoding must decode to a
// message that `same` finds equal. Returns whether the input decoded.
template <class Message, class Same>
bool RoundTrips(ntlm::DecodeError (*decode)(const std::uint8_t*, std::size_t, Message&),
                ntlm::Bytes (*encode)(const Message&), const std::uint8_t* data, std::size_t size, Message& out,
                Same same) {
    if (decode(data, size, out) != ntlm::DecodeError::kOk) return false;
    const ntlm::Bytes again = encode(out);
    Message back;
    if (decode(again.data(), again.size(), back) != ntlm::DecodeError::kOk || !same(back, out)) std::abort();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ntlm::NegotiateMessage negotiate;
    RoundTrips(ntlm::DecodeNegotiate, ntlm::EncodeNegotiate, data, size, negotiate, [](const auto& a, const auto& b) {
        return a.flags == b.flags && a.domain == b.domain && a.workstation == b.workstation;
    });
    ntlm::ChallengeMessage challenge;
    RoundTrips(ntlm::DecodeChallenge, ntlm::EncodeChallenge, data, size, challenge, [](const auto& a, const auto& b) {
        return a.flags == b.flags && a.target_name == b.target_name && a.target_info == b.target_info &&
               a.server_challenge == b.server_challenge;
    });
    ntlm::AuthenticateMessage authenticate;
    const bool decoded =
        RoundTrips(ntlm::DecodeAuthenticate, ntlm::EncodeAuthenticate, data, size, authenticate,
                   [](const auto& a, const auto& b) {
                       return a.flags == b.flags && a.lm_response == b.lm_response && a.nt_response == b.nt_response &&
                              a.domain == b.domain && a.user == b.user && a.workstation == b.workstation &&
                              a.encrypted_session_key == b.encrypted_session_key && a.has_mic == b.has_mic;
                   });
    if (decoded) {
        ntlm::Key key{};
        ntlm::VerifyAuthenticate({{}, {}, {1, 2, 3, 4, 5, 6, 7, 8}}, ntlm::Bytes(data, data + size), authenticate,
                                 ntlm::NtHash(L"Password"), key);
    }
    return 0;
}
