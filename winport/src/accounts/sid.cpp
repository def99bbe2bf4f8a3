// The SID helpers of advapi32 on POSIX: validity, length, comparison and the string form.
#include "accounts/sid.h"

#include <winport/errors.h>
#include <winport/message.h>
#include <winport/security.h>

#include "core/calllog.h"
#include "core/fault.h"
#include "core/local_memory.h"
#include "core/text.h"

#include <cstring>
#include <cwchar>

namespace winport::detail::accounts {

constexpr std::size_t kHeader = 8;  // revision, count, six authority bytes

SidBytes MakeSid(std::uint64_t authority, const std::vector<DWORD>& sub_authorities) {
    SidBytes sid(kHeader + 4 * sub_authorities.size());
    sid[0] = SID_REVISION;
    sid[1] = static_cast<BYTE>(sub_authorities.size());
    for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<BYTE>(authority >> (8 * (5 - i)));
    // A SID may have no sub-authorities ("S-1-1"): then there is nothing to copy, and the
    // empty list's data() may be null, which memcpy must never be given.
    if (!sub_authorities.empty())
        std::memcpy(sid.data() + kHeader, sub_authorities.data(), 4 * sub_authorities.size());
    return sid;
}

SidBytes AppendRid(const SidBytes& sid, DWORD rid) {
    SidBytes longer = sid;
    longer[1] = static_cast<BYTE>(longer[1] + 1);
    const auto* bytes = reinterpret_cast<const BYTE*>(&rid);
    longer.insert(longer.end(), bytes, bytes + 4);
    return longer;
}

std::size_t SidLength(const void* sid) {
    if (sid == nullptr) return 0;
    const auto* bytes = static_cast<const BYTE*>(sid);
    if (bytes[0] != SID_REVISION || bytes[1] > SID_MAX_SUB_AUTHORITIES) return 0;
    return kHeader + 4 * static_cast<std::size_t>(bytes[1]);
}

SidBytes CopySid(const void* sid) {
    const auto* bytes = static_cast<const BYTE*>(sid);
    return SidBytes(bytes, bytes + SidLength(sid));
}

std::wstring SidToString(const SidBytes& sid) {
    std::uint64_t authority = 0;
    for (int i = 0; i < 6; ++i) authority = (authority << 8) | sid[2 + i];
    // Authorities that do not fit 32 bits are written in hexadecimal, as Windows writes them.
    wchar_t number[32];
    if (authority >> 32)
        std::swprintf(number, 32, L"0x%012llX", static_cast<unsigned long long>(authority));
    else
        std::swprintf(number, 32, L"%llu", static_cast<unsigned long long>(authority));
    std::wstring text = L"S-1-" + std::wstring(number);
    for (std::size_t i = 0; i < sid[1]; ++i) {
        DWORD sub = 0;
        std::memcpy(&sub, sid.data() + kHeader + 4 * i, 4);
        text += L"-" + std::to_wstring(sub);
    }
    return text;
}

namespace {

// One decimal (or 0x hexadecimal) number up to `max`, advancing `p`.
bool ReadNumber(const wchar_t*& p, std::uint64_t max, std::uint64_t& value) {
    int base = 10;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
        base = 16;
        p += 2;
    }
    const wchar_t* start = p;
    value = 0;
    for (;; ++p) {
        int digit;
        if (*p >= L'0' && *p <= L'9') digit = *p - L'0';
        else if (base == 16 && *p >= L'a' && *p <= L'f') digit = *p - L'a' + 10;
        else if (base == 16 && *p >= L'A' && *p <= L'F') digit = *p - L'A' + 10;
        else break;
        value = value * base + static_cast<std::uint64_t>(digit);
        if (value > max) return false;
    }
    return p != start;
}

}  // namespace

std::optional<SidBytes> SidFromString(std::wstring_view text) {
    const std::wstring copy(text);
    const wchar_t* p = copy.c_str();
    if ((p[0] != L'S' && p[0] != L's') || p[1] != L'-' || p[2] != L'1' || p[3] != L'-') return std::nullopt;
    p += 4;
    std::uint64_t authority = 0;
    if (!ReadNumber(p, 0xFFFFFFFFFFFFull, authority)) return std::nullopt;
    std::vector<DWORD> subs;
    while (*p == L'-') {
        ++p;
        std::uint64_t sub = 0;
        if (!ReadNumber(p, 0xFFFFFFFFull, sub) || subs.size() == SID_MAX_SUB_AUTHORITIES) return std::nullopt;
        subs.push_back(static_cast<DWORD>(sub));
    }
    if (*p != L'\0') return std::nullopt;
    return MakeSid(authority, subs);
}

}  // namespace winport::detail::accounts

using namespace winport::detail;
using namespace winport::detail::accounts;

extern "C" BOOL WINAPI IsValidSid(PSID pSid) {
    LogCall("IsValidSid", [] { return std::string(); });
    return SidLength(pSid) != 0 ? TRUE : FALSE;
}

extern "C" DWORD WINAPI GetLengthSid(PSID pSid) {
    LogCall("GetLengthSid", [] { return std::string(); });
    return static_cast<DWORD>(SidLength(pSid));
}

extern "C" BOOL WINAPI EqualSid(PSID pSid1, PSID pSid2) {
    LogCall("EqualSid", [] { return std::string(); });
    const std::size_t length = SidLength(pSid1);
    if (length == 0 || SidLength(pSid2) == 0) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return length == SidLength(pSid2) && std::memcmp(pSid1, pSid2, length) == 0 ? TRUE : FALSE;
}

extern "C" BOOL WINAPI ConvertSidToStringSidW(PSID Sid, LPWSTR* StringSid) {
    LogCall("ConvertSidToStringSidW", [] { return std::string(); });
    if (FaultPoint("ConvertSidToStringSidW")) return FALSE;
    if (StringSid == nullptr || SidLength(Sid) == 0) {
        SetLastError(SidLength(Sid) == 0 ? ERROR_INVALID_SID : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::wstring text = SidToString(CopySid(Sid));
    auto* out = static_cast<LPWSTR>(AllocateLocalBlock((text.size() + 1) * sizeof(WCHAR), false));
    if (out == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    std::wmemcpy(out, text.c_str(), text.size() + 1);
    *StringSid = out;
    return TRUE;
}

extern "C" BOOL WINAPI ConvertStringSidToSidW(LPCWSTR StringSid, PSID* Sid) {
    LogCall("ConvertStringSidToSidW", [&] { return StringSid ? ToUtf8(StringSid) : std::string("null"); });
    if (FaultPoint("ConvertStringSidToSidW")) return FALSE;
    if (StringSid == nullptr || Sid == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::optional<SidBytes> sid = SidFromString(StringSid);
    if (!sid) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    void* out = AllocateLocalBlock(sid->size(), false);
    if (out == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    std::memcpy(out, sid->data(), sid->size());
    *Sid = out;
    return TRUE;
}
