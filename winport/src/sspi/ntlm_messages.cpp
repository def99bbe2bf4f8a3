// NTLM message layout: a fixed header of little-endian numbers and field descriptors (length,
// allocated length, offset), then the payload the descriptors point into.
#include "sspi/ntlm_messages.h"

#include <algorithm>
#include <cstring>

namespace winport::detail::ntlm {
namespace {

constexpr std::uint8_t kSignature[8] = {'N', 'T', 'L', 'M', 'S', 'S', 'P', 0};
constexpr std::uint32_t kNegotiateType = 1, kChallengeType = 2, kAuthenticateType = 3;
// Fixed headers without the version (what a decoder requires) and with it (what we write).
constexpr std::size_t kNegotiateMinimum = 32, kChallengeMinimum = 48, kAuthenticateMinimum = 64;
constexpr std::size_t kNegotiateHeader = 40, kChallengeHeader = 56, kAuthenticateHeader = 72;

void Put16(Bytes& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Builds a message: the header is zeros until filled; each field is appended to the payload
// and its descriptor written at `descriptor`. A field longer than 65535 bytes cannot be
// described and is cut there (no caller sends one that long).
class Writer {
public:
    Writer(std::uint32_t type, std::size_t header) : out_(header, 0) {
        std::memcpy(out_.data(), kSignature, 8);
        Put32(out_, 8, type);
    }
    void Field(std::size_t descriptor, const Bytes& value) {
        const auto length = static_cast<std::uint16_t>(std::min<std::size_t>(value.size(), 0xFFFF));
        Put16(out_, descriptor, length);
        Put16(out_, descriptor + 2, length);
        Put32(out_, descriptor + 4, static_cast<std::uint32_t>(out_.size()));
        out_.insert(out_.end(), value.begin(), value.begin() + length);
    }
    void Number(std::size_t at, std::uint32_t v) { Put32(out_, at, v); }
    template <std::size_t N>
    void Raw(std::size_t at, const std::array<std::uint8_t, N>& bytes) {
        std::copy(bytes.begin(), bytes.end(), out_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    Bytes Take() { return std::move(out_); }

private:
    Bytes out_;
};

// Reads a message of `minimum` header bytes or more. Bounds arithmetic is 64-bit, so an offset
// near 4 GiB plus a length cannot wrap around.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    DecodeError Header(std::uint32_t type, std::size_t minimum) const {
        if (size_ < minimum) return DecodeError::kTooShort;
        if (std::memcmp(data_, kSignature, 8) != 0) return DecodeError::kBadSignature;
        return Get32(data_ + 8) == type ? DecodeError::kOk : DecodeError::kWrongType;
    }
    std::uint32_t Number(std::size_t at) const { return Get32(data_ + at); }
    // The payload field described at `descriptor`; an empty field may point anywhere.
    bool Field(std::size_t descriptor, Bytes& out) {
        const std::uint64_t length = Get16(data_ + descriptor);
        const std::uint64_t offset = Get32(data_ + descriptor + 4);
        if (length == 0) {
            out.clear();
            return true;
        }
        if (offset + length > size_) return false;
        out.assign(data_ + offset, data_ + offset + length);
        payload_start_ = std::min<std::uint64_t>(payload_start_, offset);
        return true;
    }
    template <std::size_t N>
    void Raw(std::size_t at, std::array<std::uint8_t, N>& out) const {
        std::copy(data_ + at, data_ + at + N, out.begin());
    }
    std::size_t size() const { return size_; }
    // The lowest offset of the non-empty fields read so far: where the header must end.
    std::uint64_t payload_start() const { return std::min<std::uint64_t>(payload_start_, size_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t payload_start_ = UINT64_MAX;
};

}  // namespace

Bytes EncodeNegotiate(const NegotiateMessage& m) {
    Writer w(kNegotiateType, kNegotiateHeader);
    w.Number(12, m.flags);
    w.Field(16, m.domain);
    w.Field(24, m.workstation);
    w.Raw(32, m.version);
    return w.Take();
}

Bytes EncodeChallenge(const ChallengeMessage& m) {
    Writer w(kChallengeType, kChallengeHeader);
    w.Field(12, m.target_name);
    w.Number(20, m.flags);
    w.Raw(24, m.server_challenge);
    w.Field(40, m.target_info);
    w.Raw(48, m.version);
    return w.Take();
}

Bytes EncodeAuthenticate(const AuthenticateMessage& m) {
    Writer w(kAuthenticateType, kAuthenticateHeader + (m.has_mic ? m.mic.size() : 0));
    w.Field(28, m.domain);
    w.Field(36, m.user);
    w.Field(44, m.workstation);
    w.Field(12, m.lm_response);
    w.Field(20, m.nt_response);
    w.Field(52, m.encrypted_session_key);
    w.Number(60, m.flags);
    w.Raw(64, m.version);
    if (m.has_mic) w.Raw(kMicOffset, m.mic);
    return w.Take();
}

DecodeError DecodeNegotiate(const std::uint8_t* data, std::size_t size, NegotiateMessage& out) {
    Reader r(data, size);
    if (DecodeError e = r.Header(kNegotiateType, kNegotiateMinimum); e != DecodeError::kOk) return e;
    out = NegotiateMessage{};
    out.flags = r.Number(12);
    if (!r.Field(16, out.domain) || !r.Field(24, out.workstation)) return DecodeError::kFieldOutOfBounds;
    if (r.payload_start() >= kNegotiateHeader) r.Raw(32, out.version);
    return DecodeError::kOk;
}

DecodeError DecodeChallenge(const std::uint8_t* data, std::size_t size, ChallengeMessage& out) {
    Reader r(data, size);
    if (DecodeError e = r.Header(kChallengeType, kChallengeMinimum); e != DecodeError::kOk) return e;
    out = ChallengeMessage{};
    out.flags = r.Number(20);
    r.Raw(24, out.server_challenge);
    if (!r.Field(12, out.target_name) || !r.Field(40, out.target_info)) return DecodeError::kFieldOutOfBounds;
    if (r.payload_start() >= kChallengeHeader) r.Raw(48, out.version);
    std::vector<AvPair> pairs;
    if (!out.target_info.empty() && DecodeTargetInfo(out.target_info.data(), out.target_info.size(), pairs) != DecodeError::kOk)
        return DecodeError::kBadTargetInfo;
    return DecodeError::kOk;
}

DecodeError DecodeAuthenticate(const std::uint8_t* data, std::size_t size, AuthenticateMessage& out) {
    Reader r(data, size);
    if (DecodeError e = r.Header(kAuthenticateType, kAuthenticateMinimum); e != DecodeError::kOk) return e;
    out = AuthenticateMessage{};
    if (!r.Field(12, out.lm_response) || !r.Field(20, out.nt_response) || !r.Field(28, out.domain) ||
        !r.Field(36, out.user) || !r.Field(44, out.workstation) || !r.Field(52, out.encrypted_session_key))
        return DecodeError::kFieldOutOfBounds;
    out.flags = r.Number(60);
    // The version and the MIC are there when the payload leaves room for them.
    if (r.payload_start() >= kAuthenticateHeader) r.Raw(64, out.version);
    if (r.payload_start() >= kMicOffset + out.mic.size()) {
        out.has_mic = true;
        r.Raw(kMicOffset, out.mic);
    }
    return DecodeError::kOk;
}

Bytes EncodeTargetInfo(const std::vector<AvPair>& pairs) {
    Bytes out;
    auto put = [&out](AvId id, const Bytes& value) {
        const std::size_t at = out.size();
        out.resize(at + 4);
        Put16(out, at, static_cast<std::uint16_t>(id));
        Put16(out, at + 2, static_cast<std::uint16_t>(value.size()));
        out.insert(out.end(), value.begin(), value.end());
    };
    for (const AvPair& pair : pairs) put(pair.id, pair.value);
    put(AvId::kEol, {});
    return out;
}

DecodeError DecodeTargetInfo(const std::uint8_t* data, std::size_t size, std::vector<AvPair>& out) {
    out.clear();
    std::size_t at = 0;
    while (size - at >= 4) {
        const auto id = static_cast<AvId>(Get16(data + at));
        const std::size_t length = Get16(data + at + 2);
        at += 4;
        if (id == AvId::kEol) return DecodeError::kOk;
        if (length > size - at) return DecodeError::kBadTargetInfo;
        if ((id == AvId::kTimestamp && length != 8) || (id == AvId::kFlags && length != 4))
            return DecodeError::kBadTargetInfo;
        out.push_back({id, Bytes(data + at, data + at + length)});
        at += length;
    }
    return DecodeError::kBadTargetInfo;  // ran out before EOL
}

AvPair TextPair(AvId id, std::wstring_view text) { return {id, Utf16Le(text)}; }

AvPair TimestampPair(std::uint64_t filetime) {
    AvPair pair{AvId::kTimestamp, Bytes(8)};
    for (int i = 0; i < 8; ++i) pair.value[i] = static_cast<std::uint8_t>(filetime >> (8 * i));
    return pair;
}

Bytes Utf16Le(std::wstring_view text) {
    Bytes out;
    out.reserve(text.size() * 2);
    auto unit = [&out](std::uint32_t u) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (wchar_t ch : text) {
        const auto c = static_cast<std::uint32_t>(ch);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c > 0x10FFFF ? 0xFFFD : c);
        }
    }
    return out;
}

std::wstring FromUtf16Le(const Bytes& bytes) {
    std::wstring out;
    const std::size_t units = bytes.size() / 2;
    auto at = [&bytes](std::size_t i) { return static_cast<std::uint32_t>(Get16(bytes.data() + 2 * i)); };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = at(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && at(i + 1) >= 0xDC00 && at(i + 1) < 0xE000) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (at(i + 1) - 0xDC00)));
            ++i;
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    return out;
}

}  // namespace winport::detail::ntlm
