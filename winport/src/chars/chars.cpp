// POSIX emulation of the code-page conversions (MultiByteToWideChar, WideCharToMultiByte);
// no library logic here. The only code page is UTF-8.
#include "core/calllog.h"
#include "core/fault.h"
#include "core/unsupported.h"
#include "chars/utf8_decode.h"

#include <winport/chars.h>
#include <winport/errors.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

using namespace winport::detail;

constexpr std::uint32_t kReplacement = 0xFFFD;

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// True for the code pages that are UTF-8 here; refuses the others loudly.
bool IsUtf8CodePage(UINT code_page, const char* function) {
    switch (code_page) {
    case CP_ACP: case CP_OEMCP: case CP_THREAD_ACP: case CP_UTF8: return true;
    default:
        ReportUnsupported(function, "code page " + std::to_string(code_page));
        return false;
    }
}

// Appends one code point as wide units: one wchar_t where wchar_t holds UTF-32, a surrogate
// pair where it holds UTF-16. Returns the units, writing them only while they fit.
int PutWide(std::uint32_t cp, LPWSTR out, int capacity, int used) {
    if (sizeof(WCHAR) == 2 && cp >= 0x10000) {
        if (out && used + 2 <= capacity) {
            out[used] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
            out[used + 1] = static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        return 2;
    }
    if (out && used < capacity) out[used] = static_cast<WCHAR>(cp);
    return 1;
}

int PutUtf8(std::uint32_t cp, LPSTR out, int capacity, int used) {
    char buffer[4];
    int n;
    if (cp < 0x80) {
        buffer[0] = static_cast<char>(cp);
        n = 1;
    } else if (cp < 0x800) {
        buffer[0] = static_cast<char>(0xC0 | (cp >> 6));
        buffer[1] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        buffer[0] = static_cast<char>(0xE0 | (cp >> 12));
        buffer[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        buffer[2] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        buffer[0] = static_cast<char>(0xF0 | (cp >> 18));
        buffer[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        buffer[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        buffer[3] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    if (out && used + n <= capacity) std::memcpy(out + used, buffer, static_cast<std::size_t>(n));
    return n;
}

constexpr bool IsLittleEndian() { return __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__; }

// Length of the run of ASCII bytes at the start of `from`, judged eight bytes at a time: the
// output of a child program is mostly ASCII, and the runner converts it a kilobyte at a time.
// With `Widen`, the run is widened into `to` in the same pass (`to` has room for `size` units;
// nothing past the run is written).
template <bool Widen>
std::size_t ScanAscii(const unsigned char* __restrict from, std::size_t size, WCHAR* __restrict to) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, from + i, sizeof word);
        // The first byte from 0x80 up ends the run; bytes are read in memory order, so on a
        // little-endian machine it is the lowest flagged one.
        const std::uint64_t high = word & 0x8080808080808080ull;
        if (high != 0) {
            if (!IsLittleEndian()) break;
            const std::size_t n = static_cast<std::size_t>(__builtin_ctzll(high)) / 8;
            if constexpr (Widen) for (std::size_t k = 0; k < n; ++k) to[i + k] = static_cast<WCHAR>(from[i + k]);
            return i + n;
        }
        if constexpr (Widen) for (std::size_t k = 0; k < 8; ++k) to[i + k] = static_cast<WCHAR>(from[i + k]);
    }
    for (; i < size && from[i] < 0x80; ++i) {
        if constexpr (Widen) to[i] = static_cast<WCHAR>(from[i]);
    }
    return i;
}

// ASCII bytes to wide units; the two ranges do not overlap, which lets the compiler widen many
// bytes at once.
void WidenAscii(const unsigned char* __restrict from, std::size_t n, WCHAR* __restrict to) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        for (std::size_t k = 0; k < 16; ++k) to[i + k] = static_cast<WCHAR>(from[i + k]);  // one block of 16
    }
    for (; i < n; ++i) to[i] = static_cast<WCHAR>(from[i]);
}

bool IsHighSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar) {
    LogCall("MultiByteToWideChar", [&] {
        return "codepage=" + std::to_string(CodePage) + " flags=" + std::to_string(dwFlags);
    });
    if (FaultPoint("MultiByteToWideChar")) return 0;
    if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == nullptr) ||
        static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!IsUtf8CodePage(CodePage, "MultiByteToWideChar")) return 0;
    if (dwFlags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);

    // Any negative length means "up to and including the NUL".
    const std::size_t size = cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    LPWSTR out = cchWideChar > 0 ? lpWideCharStr : nullptr;
    long long used = 0;
    bool invalid = false;
    for (std::size_t i = 0; i < size;) {
        if (bytes[i] < 0x80) {
            // Runs of ASCII, the bulk of installer text, go straight across.
            // Where the rest of the input fits whatever it holds (no byte gives more than one
            // unit), the run is measured and widened in one pass.
            const bool roomy = out && static_cast<long long>(size - i) <= cchWideChar - used;
            const std::size_t n = roomy ? ScanAscii<true>(bytes + i, size - i, out + used)
                                         : ScanAscii<false>(bytes + i, size - i, nullptr);
            if (out && !roomy) {
                if (used + static_cast<long long>(n) > cchWideChar) return Fail(ERROR_INSUFFICIENT_BUFFER);
                WidenAscii(bytes + i, n, out + used);
            }
            used += static_cast<long long>(n);
            if (used > INT_MAX) return Fail(ERROR_ARITHMETIC_OVERFLOW);
            i += n;
            continue;
        }
        std::uint32_t cp = DecodeUtf8Fast(bytes, size, i);
        if (cp == kInvalid) {
            invalid = true;
            cp = kReplacement;
        }
        used += PutWide(cp, out, cchWideChar, static_cast<int>(used));
        if (out && used > cchWideChar) return Fail(ERROR_INSUFFICIENT_BUFFER);
        if (used > INT_MAX) return Fail(ERROR_ARITHMETIC_OVERFLOW);
    }
    // A full buffer is reported before invalid input, as Windows does.
    if (invalid && (dwFlags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    return static_cast<int>(used);
}

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar) {
    LogCall("WideCharToMultiByte", [&] {
        return "codepage=" + std::to_string(CodePage) + " flags=" + std::to_string(dwFlags);
    });
    if (FaultPoint("WideCharToMultiByte")) return 0;
    if (lpWideCharStr == nullptr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!IsUtf8CodePage(CodePage, "WideCharToMultiByte")) return 0;
    // UTF-8 has no default character: asking for one is a wrong parameter, checked before flags.
    if (lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);

    const std::size_t size = cchWideChar < 0 ? std::wcslen(lpWideCharStr) + 1 : static_cast<std::size_t>(cchWideChar);
    LPSTR out = cbMultiByte > 0 ? lpMultiByteStr : nullptr;
    long long used = 0;
    bool invalid = false;
    for (std::size_t i = 0; i < size; ++i) {
        std::uint32_t cp = static_cast<std::uint32_t>(lpWideCharStr[i]);
        if (IsHighSurrogate(cp) && i + 1 < size && IsLowSurrogate(static_cast<std::uint32_t>(lpWideCharStr[i + 1]))) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(lpWideCharStr[++i]) - 0xDC00);
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp) || cp > 0x10FFFF) {
            invalid = true;
            cp = kReplacement;
        }
        used += PutUtf8(cp, out, cbMultiByte, static_cast<int>(used));
        if (out && used > cbMultiByte) return Fail(ERROR_INSUFFICIENT_BUFFER);
        if (used > INT_MAX) return Fail(ERROR_ARITHMETIC_OVERFLOW);
    }
    if (invalid && (dwFlags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    return static_cast<int>(used);
}

extern "C" UINT WINAPI GetACP(void) { return CP_UTF8; }
extern "C" UINT WINAPI GetOEMCP(void) { return CP_UTF8; }
