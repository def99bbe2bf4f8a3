// UTF-8 conversions: any bytes decode and any wide text encodes without a crash; valid text
// survives both directions unchanged.
#include "text_fuzz_input.h"

#include <string>

using cw32fuzz::FuzzInput;
using cw32fuzz::Require;
using cw32fuzz::Same;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes as UTF-8 (up to the first NUL, as the conversion reads them).
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const CString decoded = AnsiToWide(bytes.c_str(), CW32_ENCODING_UTF8);
    const std::string reencodedSource(bytes.c_str());
    // Text that decoded without a replacement character was valid UTF-8: it encodes back to
    // exactly the same bytes.
    if (decoded.Find(L'\xFFFD') < 0) {
        const CStringA reencoded = WideToAnsi(decoded.GetString(), CW32_ENCODING_UTF8);
        Require(std::string(reencoded.GetString(), reencoded.GetLength()) == reencodedSource);
    }

    // The bytes as wide units: any of them, lone surrogates included, must encode.
    FuzzInput input(data, size);
    const std::wstring units = input.TakeText();
    const CStringA encoded = WideToAnsi(units.c_str(), CW32_ENCODING_UTF8);
    Require(encoded.GetLength() <= static_cast<int>(units.size()) * 4);
    (void)AnsiToText(encoded.GetString(), CW32_ENCODING_UTF8);

    // Whole code points (no surrogates, nothing past U+10FFFF): wide to UTF-8 and back is exact.
    std::wstring text;
    for (wchar_t unit : units) {
        const auto value = static_cast<std::uint32_t>(unit);
        if ((value < 0xD800 || value > 0xDFFF) && value <= 0x10FFFF) text += unit;
    }
    const CStringA utf8 = WideToAnsi(text.c_str(), CW32_ENCODING_UTF8);
    Require(Same(AnsiToWide(utf8.GetString(), CW32_ENCODING_UTF8), text));
    return 0;
}
