#include "sspi/ntlm_crypto.h"

#include <winport/chars.h>

#include <nettle/arcfour.h>
#include <nettle/hmac.h>
#include <nettle/md4.h>
#include <nettle/memops.h>

#include <algorithm>

namespace winport::detail::ntlm {
namespace {

constexpr std::size_t kProofSize = 16;

// Upper-cased the way winport upper-cases any name (CharUpperW), one character at a time.
Bytes UpperCased(const Bytes& utf16) {
    std::wstring text = FromUtf16Le(utf16);
    for (wchar_t& ch : text) {
        wchar_t one[2] = {ch, 0};
        CharUpperW(one);
        ch = one[0];
    }
    return Utf16Le(text);
}

}  // namespace

Key NtHash(std::wstring_view password) {
    const Bytes utf16 = Utf16Le(password);
    md4_ctx ctx;
    md4_init(&ctx);
    md4_update(&ctx, utf16.size(), utf16.data());
    Key out;
    md4_digest(&ctx, out.size(), out.data());
    return out;
}

Key HmacMd5(const Key& key, const Bytes& data) {
    hmac_md5_ctx ctx;
    hmac_md5_set_key(&ctx, key.size(), key.data());
    hmac_md5_update(&ctx, data.size(), data.data());
    Key out;
    hmac_md5_digest(&ctx, out.size(), out.data());
    return out;
}

Key NtOwfV2(const Key& nt_hash, const Bytes& user, const Bytes& domain) {
    Bytes text = UpperCased(user);
    text.insert(text.end(), domain.begin(), domain.end());
    return HmacMd5(nt_hash, text);
}

Key Rc4(const Key& key, const Key& data) {
    arcfour_ctx ctx;
    arcfour_set_key(&ctx, key.size(), key.data());
    Key out;
    arcfour_crypt(&ctx, out.size(), out.data(), data.data());
    return out;
}

Bytes ClientBlob(std::uint64_t time, const Challenge& client_challenge, const Bytes& target_info) {
    Bytes blob = {1, 1, 0, 0, 0, 0, 0, 0};  // response version, highest version understood, reserved
    for (int i = 0; i < 8; ++i) blob.push_back(static_cast<std::uint8_t>(time >> (8 * i)));
    blob.insert(blob.end(), client_challenge.begin(), client_challenge.end());
    blob.insert(blob.end(), 4, 0);
    blob.insert(blob.end(), target_info.begin(), target_info.end());
    blob.insert(blob.end(), 4, 0);
    return blob;
}

ResponsesV2 ComputeResponsesV2(const Key& response_key, const Challenge& server_challenge,
                               const Challenge& client_challenge, std::uint64_t time, const Bytes& target_info) {
    ResponsesV2 out;
    const Bytes blob = ClientBlob(time, client_challenge, target_info);
    Bytes covered(server_challenge.begin(), server_challenge.end());
    covered.insert(covered.end(), blob.begin(), blob.end());
    const Key proof = HmacMd5(response_key, covered);
    out.nt_response.assign(proof.begin(), proof.end());
    out.nt_response.insert(out.nt_response.end(), blob.begin(), blob.end());

    Bytes challenges(server_challenge.begin(), server_challenge.end());
    challenges.insert(challenges.end(), client_challenge.begin(), client_challenge.end());
    const Key lm_proof = HmacMd5(response_key, challenges);
    out.lm_response.assign(lm_proof.begin(), lm_proof.end());
    out.lm_response.insert(out.lm_response.end(), client_challenge.begin(), client_challenge.end());

    out.session_base_key = HmacMd5(response_key, Bytes(proof.begin(), proof.begin() + kProofSize));
    return out;
}

Key ComputeMic(const Key& exported_session_key, const Bytes& negotiate, const Bytes& challenge,
               const Bytes& authenticate) {
    Bytes all = negotiate;
    all.insert(all.end(), challenge.begin(), challenge.end());
    all.insert(all.end(), authenticate.begin(), authenticate.end());
    const std::size_t mic = negotiate.size() + challenge.size() + kMicOffset;
    if (all.size() >= mic + 16) std::fill_n(all.begin() + static_cast<std::ptrdiff_t>(mic), 16, 0);
    return HmacMd5(exported_session_key, all);
}

bool ConstantTimeEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    return memeql_sec(a, b, size) != 0;
}

}  // namespace winport::detail::ntlm
