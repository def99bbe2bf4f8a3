// Turns a fuzzer's bytes into the arguments of the text routines: small numbers, wide texts
// and separators. ASCII bytes stand for themselves, so list structure (separators,
// backslashes, periods) is easy for the fuzzer to find; a byte from 0x80 up and the two after
// it make any other unit: every 16-bit value, surrogates included, and where wchar_t has 32
// bits also the code points above U+FFFF and values beyond U+10FFFF.
#pragma once

#include <common-win32/common-win32.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace cw32fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return used_ >= size_; }
    std::uint8_t TakeByte() { return empty() ? 0 : data_[used_++]; }

    wchar_t TakeUnit() {
        const std::uint8_t b = TakeByte();
        if (b < 0x80) return static_cast<wchar_t>(b);
        std::uint32_t unit = static_cast<std::uint32_t>(TakeByte()) << 8;
        unit |= TakeByte();
        if (sizeof(wchar_t) > 2) unit |= static_cast<std::uint32_t>(b & 0x1F) << 16;
        return static_cast<wchar_t>(unit);
    }

    // Units up to the next NUL byte (or the end of the input).
    std::wstring TakeText() {
        std::wstring text;
        while (!empty()) {
            const wchar_t c = TakeUnit();
            if (c == L'\0') break;
            text += c;
        }
        return text;
    }

    // One of the separators the library's callers use, or any unit but NUL.
    std::wstring TakeSeparator() {
        static const wchar_t common[] = L";|.,\\ ";
        const std::uint8_t b = TakeByte();
        if (b < 6) return std::wstring(1, common[b]);
        const wchar_t c = TakeUnit();
        return std::wstring(1, c == L'\0' ? L';' : c);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// A broken property is a finding: stop with the failing input saved.
inline void Require(bool property) {
    if (!property) std::abort();
}

inline bool Same(const CString& a, const std::wstring& b) {
    return static_cast<std::size_t>(a.GetLength()) == b.size() && std::wstring(a.GetString(), a.GetLength()) == b;
}

}  // namespace cw32fuzz
