// The NTLM core under the security provider: the published NTLMv2 example (user "User", domain
// "Domain", password "Password") reproduced to the byte, a client and a server that agree only
// on the right password, and decoders that refuse every message that does not fit its bytes.
#include "sspi/ntlm_crypto.h"
#include "sspi/ntlm_exchange.h"
#include "sspi/ntlm_messages.h"
#include "sspi/server_challenge.h"

#include <winport/testing.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace ntlm = winport::detail::ntlm;
using ntlm::Bytes;
using ntlm::DecodeError;

namespace {

Bytes Hex(std::string_view text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == ' ') continue;
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
        ++i;
    }
    return out;
}
template <std::size_t N>
Bytes B(const std::array<std::uint8_t, N>& a) { return Bytes(a.begin(), a.end()); }

// The example's fixed inputs.
const ntlm::Challenge kServerChallenge = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
const ntlm::Challenge kClientChallenge = {0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa};
ntlm::Key RandomSessionKey() { ntlm::Key k; k.fill(0x55); return k; }
const std::string kTargetInfoHex = "02000c0044006f006d00610069006e00 01000c00530065007200760065007200 00000000";
const Bytes kTargetInfo = Hex(kTargetInfoHex);
// The published CHALLENGE and AUTHENTICATE messages of the example.
Bytes PublishedChallenge() {
    return Hex("4e544c4d53535000 02000000 0c000c00 38000000 33828ae2 0123456789abcdef 0000000000000000"
               "24002400 44000000 060070170000000f 530065007200760065007200" + kTargetInfoHex);
}
Bytes PublishedAuthenticate() {
    return Hex(std::string("4e544c4d53535000 03000000 18001800 6c000000 54005400 84000000 0c000c00 48000000"
               "08000800 54000000 10001000 5c000000 10001000 d8000000 358288e2 0501280a0000000f"
               "44006f006d00610069006e00 5500730065007200 43004f004d0050005500540045005200"
               "86c35097ac9cec102554764a57cccc19 aaaaaaaaaaaaaaaa"
               "68cd0ab851e51c96aabc927bebef6a1c 0101000000000000 0000000000000000 aaaaaaaaaaaaaaaa 00000000") +
               kTargetInfoHex + "00000000 c5dad2544fc9799094ce1ce90bc9d03e");
}

ntlm::ClientChoices PublishedChoices() {
    ntlm::ClientChoices c;
    c.flags = 0xe2888235;
    c.client_challenge = kClientChallenge;
    c.time = 0;
    c.random_session_key = RandomSessionKey();
    c.version = {0x05, 0x01, 0x28, 0x0a, 0x00, 0x00, 0x00, 0x0f};
    return c;
}

TEST(NtlmCore, ReproducesThePublishedNtlmV2Example) {
    const ntlm::Key nt_hash = ntlm::NtHash(L"Password");
    const ntlm::Key response_key = ntlm::NtOwfV2(nt_hash, ntlm::Utf16Le(L"User"), ntlm::Utf16Le(L"Domain"));
    const ntlm::ResponsesV2 r =
        ntlm::ComputeResponsesV2(response_key, kServerChallenge, kClientChallenge, 0, kTargetInfo);

    ntlm::ChallengeMessage challenge;
    challenge.flags = 0xe28a8233;
    challenge.target_name = ntlm::Utf16Le(L"Server");
    challenge.server_challenge = kServerChallenge;
    challenge.target_info = ntlm::EncodeTargetInfo(
        {ntlm::TextPair(ntlm::AvId::kNbDomainName, L"Domain"), ntlm::TextPair(ntlm::AvId::kNbComputerName, L"Server")});
    challenge.version = {0x06, 0x00, 0x70, 0x17, 0x00, 0x00, 0x00, 0x0f};

    Bytes authenticate;
    ntlm::Key client_key{};
    ASSERT_TRUE(ntlm::BuildAuthenticate({L"User", L"Domain", L"COMPUTER", nt_hash}, PublishedChoices(), {},
                                        PublishedChallenge(), authenticate, client_key));

    struct Case {
        const char* what;
        Bytes actual;
        Bytes expected;
    };
    for (const Case& c : {
             Case{"NT hash", B(nt_hash), Hex("a4f49c406510bdcab6824ee7c30fd852")},
             Case{"NTOWFv2", B(response_key), Hex("0c868a403bfd7a93a3001ef22ef02e3f")},
             Case{"LMv2 response", r.lm_response, Hex("86c35097ac9cec102554764a57cccc19 aaaaaaaaaaaaaaaa")},
             Case{"NTProofStr", Bytes(r.nt_response.begin(), r.nt_response.begin() + 16),
                  Hex("68cd0ab851e51c96aabc927bebef6a1c")},
             Case{"session base key", B(r.session_base_key), Hex("8de40ccadbc14a82f15cb0ad0de95ca3")},
             Case{"encrypted session key", B(ntlm::Rc4(r.session_base_key, RandomSessionKey())),
                  Hex("c5dad2544fc9799094ce1ce90bc9d03e")},
             Case{"CHALLENGE message", ntlm::EncodeChallenge(challenge), PublishedChallenge()},
             Case{"AUTHENTICATE message", authenticate, PublishedAuthenticate()},
             Case{"client's exported key", B(client_key), B(RandomSessionKey())},
         }) {
        EXPECT_EQ(c.actual, c.expected) << c.what;
    }

    // The server side of the same example: it accepts, and recovers the client's random key.
    ntlm::AuthenticateMessage decoded;
    const Bytes published = PublishedAuthenticate();
    ASSERT_EQ(ntlm::DecodeAuthenticate(published.data(), published.size(), decoded), DecodeError::kOk);
    EXPECT_EQ(ntlm::FromUtf16Le(decoded.user), L"User");
    EXPECT_FALSE(decoded.has_mic);
    ntlm::Key server_key{};
    EXPECT_TRUE(ntlm::VerifyAuthenticate({{}, PublishedChallenge(), kServerChallenge}, published, decoded, nt_hash,
                                         server_key));
    EXPECT_EQ(server_key, RandomSessionKey());
}

// A full exchange between the two ends; `tamper` may change the AUTHENTICATE on the way.
struct Exchange {
    const char* what;
    const wchar_t* client_user;
    const wchar_t* client_password;
    bool with_mic;
    std::uint32_t key_exchange;
    std::function<void(Bytes&)> tamper;
    bool accepted;
};

TEST(NtlmCore, TheServerAcceptsOnlyTheRightPasswordAndAnUntouchedMessage) {
    const ntlm::Key stored = ntlm::NtHash(L"Pa55w\u00f6rd");  // the account "installer"
    auto rewrite = [](std::function<void(ntlm::AuthenticateMessage&)> change) {
        return [=](Bytes& m) {
            ntlm::AuthenticateMessage decoded;
            ntlm::DecodeAuthenticate(m.data(), m.size(), decoded);
            change(decoded);
            m = ntlm::EncodeAuthenticate(decoded);
        };
    };
    auto at_end = [](std::size_t back, std::uint8_t x) { return [=](Bytes& m) { m[m.size() - back] ^= x; }; };
    for (const Exchange& e : {
             Exchange{"right password, MIC and key exchange", L"installer", L"Pa55w\u00f6rd", true,
                      ntlm::kNegotiateKeyExchange, nullptr, true},
             Exchange{"right password, neither", L"installer", L"Pa55w\u00f6rd", false, 0, nullptr, true},
             Exchange{"the user name in another case", L"INSTALLER", L"Pa55w\u00f6rd", true, 0, nullptr, true},
             Exchange{"wrong password", L"installer", L"Pa55word", true, ntlm::kNegotiateKeyExchange, nullptr, false},
             // The proof binds the names: an account sharing the password cannot be swapped in.
             Exchange{"user name rewritten on the way", L"installer", L"Pa55w\u00f6rd", false, 0,
                      rewrite([](ntlm::AuthenticateMessage& m) { m.user = ntlm::Utf16Le(L"intruder"); }), false},
             Exchange{"domain rewritten on the way", L"installer", L"Pa55w\u00f6rd", false, 0,
                      rewrite([](ntlm::AuthenticateMessage& m) { m.domain = ntlm::Utf16Le(L"OTHER"); }), false},
             Exchange{"MIC changed", L"installer", L"Pa55w\u00f6rd", true, 0,
                      [](Bytes& m) { m[ntlm::kMicOffset] ^= 1; }, false},
             Exchange{"MIC dropped though announced", L"installer", L"Pa55w\u00f6rd", true, 0,
                      [](Bytes& m) { std::fill_n(m.begin() + ntlm::kMicOffset, 16, 0); }, false},
             Exchange{"flags changed under the MIC", L"installer", L"Pa55w\u00f6rd", true, 0,
                      [](Bytes& m) { m[60] ^= ntlm::kNegotiateSign; }, false},
             // Without key exchange the message ends with the blob's closing zeros.
             Exchange{"blob changed", L"installer", L"Pa55w\u00f6rd", false, 0, at_end(1, 0x80), false},
             Exchange{"encrypted session key changed", L"installer", L"Pa55w\u00f6rd", true,
                      ntlm::kNegotiateKeyExchange, at_end(1, 0x01), false},
         }) {
        // Server: CHALLENGE with target information and a timestamp.
        winport::testing::FixServerChallenge({1, 2, 3, 4, 5, 6, 7, 8});
        ntlm::ServerTranscript server;
        server.server_challenge = ntlm::NewServerChallenge();
        server.negotiate = ntlm::EncodeNegotiate({ntlm::kNegotiateUnicode | ntlm::kNegotiateNtlm, {}, {}, {}});
        ntlm::ChallengeMessage challenge;
        challenge.flags = ntlm::kNegotiateUnicode | ntlm::kNegotiateNtlm | ntlm::kNegotiateTargetInfo;
        challenge.target_name = ntlm::Utf16Le(L"HOST");
        challenge.server_challenge = server.server_challenge;
        challenge.target_info = ntlm::EncodeTargetInfo({ntlm::TextPair(ntlm::AvId::kNbComputerName, L"HOST"),
                                                        ntlm::TextPair(ntlm::AvId::kNbDomainName, L"HOST"),
                                                        ntlm::TimestampPair(133000000000000000ull)});
        server.challenge = ntlm::EncodeChallenge(challenge);

        ntlm::ClientChoices choices;
        choices.flags = ntlm::kNegotiateUnicode | ntlm::kNegotiateNtlm | e.key_exchange;
        choices.client_challenge = {9, 8, 7, 6, 5, 4, 3, 2};
        choices.random_session_key.fill(0x3c);
        choices.with_mic = e.with_mic;
        Bytes authenticate;
        ntlm::Key client_key{};
        ASSERT_TRUE(ntlm::BuildAuthenticate({e.client_user, L"HOST", L"HOST", ntlm::NtHash(e.client_password)},
                                            choices, server.negotiate, server.challenge, authenticate, client_key))
            << e.what;
        if (e.tamper) e.tamper(authenticate);

        ntlm::AuthenticateMessage decoded;
        ASSERT_EQ(ntlm::DecodeAuthenticate(authenticate.data(), authenticate.size(), decoded), DecodeError::kOk) << e.what;
        EXPECT_EQ(decoded.has_mic, e.with_mic) << e.what;
        EXPECT_EQ(decoded.lm_response, Bytes(24, 0)) << e.what << ": the server sent a timestamp";
        ntlm::Key server_key{};
        EXPECT_EQ(ntlm::VerifyAuthenticate(server, authenticate, decoded, stored, server_key), e.accepted) << e.what;
        if (e.accepted) {
            EXPECT_EQ(server_key, client_key) << e.what;
        }
    }
    winport::testing::UseRandomServerChallenge();
    EXPECT_NE(ntlm::NewServerChallenge(), ntlm::NewServerChallenge());
}

// Each message with one field bent; the decoders answer the error and read nothing outside.
TEST(NtlmCore, DecodersRefuseMessagesThatDoNotFitTheirBytes) {
    auto put32 = [](Bytes m, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) m.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
        return m;
    };
    const Bytes authenticate = PublishedAuthenticate();
    const Bytes challenge = PublishedChallenge();
    enum Kind { kNegotiate, kChallenge, kAuthenticate };
    auto decode = [](Kind kind, const Bytes& m) {
        ntlm::NegotiateMessage n;
        ntlm::ChallengeMessage c;
        ntlm::AuthenticateMessage a;
        // An exact-size heap copy, so a sanitizer sees any read past the end.
        const Bytes copy(m);
        switch (kind) {
        case kNegotiate: return ntlm::DecodeNegotiate(copy.data(), copy.size(), n);
        case kChallenge: return ntlm::DecodeChallenge(copy.data(), copy.size(), c);
        default: return ntlm::DecodeAuthenticate(copy.data(), copy.size(), a);
        }
    };
    const std::size_t info_at = challenge.size() - kTargetInfo.size();
    struct Case {
        const char* what;
        Kind kind;
        Bytes message;
        DecodeError expected;
    };
    for (const Case& c : {
             Case{"empty", kNegotiate, {}, DecodeError::kTooShort},
             Case{"signature", kChallenge, put32(challenge, 0, 0x4d4c544f), DecodeError::kBadSignature},
             Case{"a CHALLENGE read as AUTHENTICATE", kAuthenticate, put32(authenticate, 8, 2), DecodeError::kWrongType},
             // 0xfffffff0 + 0x54 wraps to 0x44 in 32 bits: only 64-bit bounds refuse it.
             Case{"offset that wraps around", kAuthenticate, put32(authenticate, 24, 0xfffffff0),
                  DecodeError::kFieldOutOfBounds},
             Case{"length past the end", kChallenge, put32(challenge, 40, 0x00ff00ff), DecodeError::kFieldOutOfBounds},
             Case{"NEGOTIATE domain past the end", kNegotiate,
                  put32(put32(ntlm::EncodeNegotiate({}), 16, 0x00100010), 20, 40), DecodeError::kFieldOutOfBounds},
             Case{"AV pair longer than the list", kChallenge, put32(challenge, info_at, 0x00f00002),
                  DecodeError::kBadTargetInfo},
             Case{"timestamp of 12 bytes", kChallenge, put32(challenge, info_at, 0x000c0007), DecodeError::kBadTargetInfo},
             Case{"no EOL", kChallenge, put32(challenge, challenge.size() - 4, 0x00000001), DecodeError::kBadTargetInfo},
             Case{"the published AUTHENTICATE", kAuthenticate, authenticate, DecodeError::kOk},
         }) {
        EXPECT_EQ(decode(c.kind, c.message), c.expected) << c.what;
    }
    // Every cut of the example short of its full length is short of the fixed header (64 bytes)
    // or points some field past the end.
    for (std::size_t n = 0; n < authenticate.size(); ++n)
        EXPECT_EQ(decode(kAuthenticate, Bytes(authenticate.begin(), authenticate.begin() + n)),
                  n < 64 ? DecodeError::kTooShort : DecodeError::kFieldOutOfBounds)
            << n;
}

}  // namespace
