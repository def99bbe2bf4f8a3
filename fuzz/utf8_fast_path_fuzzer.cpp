// The fast UTF-8 paths give exactly what the one-character-at-a-time rules give, on any input:
// the decoder character by character and through MultiByteToWideChar (with and without
// MB_ERR_INVALID_CHARS, with room and without), the encoder's sizing and its bytes under both
// lone-surrogate rules.
#include "text_fuzz_input.h"

#include "chars/utf8_decode.h"
#include "unicode.h"

#include <winport/chars.h>
#include <winport/errors.h>

#include <string>
#include <vector>

using cw32fuzz::FuzzInput;
using cw32fuzz::Require;

namespace {

// What the exact decoder makes of all the bytes: wide units, and whether any byte was invalid.
std::wstring DecodeExactly(const unsigned char* bytes, std::size_t size, bool& invalid) {
    std::wstring units;
    invalid = false;
    for (std::size_t i = 0; i < size;) {
        std::uint32_t cp = winport::detail::DecodeUtf8(bytes, size, i);
        if (cp == winport::detail::kInvalid) {
            invalid = true;
            cp = 0xFFFD;
        }
        wchar_t pair[2];
        units.append(pair, static_cast<std::size_t>(cw32::detail::EncodeWide(cp, pair)));
    }
    return units;
}

void CheckDecoding(const std::uint8_t* data, std::size_t size) {
    for (std::size_t fast = 0, exact = 0; exact < size;) {
        const std::uint32_t a = winport::detail::DecodeUtf8Fast(data, size, fast);
        const std::uint32_t b = winport::detail::DecodeUtf8(data, size, exact);
        Require(a == b && fast == exact);
    }
    if (size == 0 || size > 0x10000) return;
    bool invalid = false;
    const std::wstring expected = DecodeExactly(data, size, invalid);
    const auto* text = reinterpret_cast<const char*>(data);
    const int length = static_cast<int>(size);
    const int needed = static_cast<int>(expected.size());
    Require(MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0) == needed);
    for (const DWORD flags : {DWORD{0}, DWORD{MB_ERR_INVALID_CHARS}}) {
        // A unit for each byte, just enough, one unit short (a capacity of 0 asks for the size).
        for (const int capacity : {length, needed, needed - 1}) {
            if (capacity < 1) continue;
            std::vector<wchar_t> out(static_cast<std::size_t>(capacity) + 1, L'\x1');
            SetLastError(0);
            const int written = MultiByteToWideChar(CP_UTF8, flags, text, length, out.data(), capacity);
            if (capacity < needed) {
                Require(written == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER);
            } else if (invalid && flags != 0) {
                Require(written == 0 && GetLastError() == ERROR_NO_UNICODE_TRANSLATION);
            } else {
                Require(written == needed && std::wstring(out.data(), static_cast<std::size_t>(written)) == expected);
            }
        }
    }
}

void CheckEncoding(const std::wstring& units) {
    const std::size_t bytes = cw32::detail::Utf8Length(units.data(), units.size());
    Require(cw32::detail::Utf8LengthFast(units.data(), units.size()) == bytes);
    for (const auto lone : {cw32::detail::LoneSurrogate::Keep, cw32::detail::LoneSurrogate::Replace}) {
        std::string exact(bytes, '\0'), fast(bytes, '\0');
        cw32::detail::EncodeUtf8(units.data(), units.size(), lone, exact.data());
        Require(cw32::detail::EncodeUtf8Fast(units.data(), units.size(), lone, fast.data()) == bytes);
        Require(fast == exact);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckDecoding(data, size);
    // The bytes as wide units: ASCII mostly, with any unit (surrogates, values past U+10FFFF).
    FuzzInput input(data, size);
    std::wstring units;
    while (!input.empty()) units += input.TakeUnit();
    CheckEncoding(units);
    return 0;
}
