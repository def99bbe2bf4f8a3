// Both escape pairs: the unescapes take any text, and each pair gives back what it escaped.
#include "text_fuzz_input.h"

using cw32fuzz::FuzzInput;
using cw32fuzz::Require;
using cw32fuzz::Same;

namespace {

bool IsAsciiAlphanumeric(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring separator = input.TakeSeparator();
    const std::wstring text = input.TakeText();
    const CString value(text.c_str());

    // Each character that is not an ASCII letter or digit gains exactly one backslash.
    const CString escaped = EscapeNonAlpha(value);
    int protectedCount = 0;
    for (wchar_t c : text) protectedCount += IsAsciiAlphanumeric(c) ? 0 : 1;
    Require(escaped.GetLength() == value.GetLength() + protectedCount);
    Require(UnEscapeNonAlpha(escaped) == value);
    Require(UnEscapeNonAlpha(value).GetLength() <= value.GetLength());

    const CString listItem = EscapeSeparator(value, separator.c_str());
    Require(UnescapeSeparator(value, separator.c_str()).GetLength() <= value.GetLength());
    if (separator != L"\\") Require(Same(UnescapeSeparator(listItem, separator.c_str()), text));
    return 0;
}
