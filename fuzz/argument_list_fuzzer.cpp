// Argument lists: any text reads without a crash and in bounded steps; any list of values
// written with WriteArg (or PrependArg) reads back unchanged; PeekArg agrees with GetArg.
#include "text_fuzz_input.h"

#include <vector>

using cw32fuzz::FuzzInput;
using cw32fuzz::Require;
using cw32fuzz::Same;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring separator = input.TakeSeparator();

    // Any text as a list: every GetArg shortens it, so the loop ends.
    const std::wstring text = input.TakeText();
    CString list(text.c_str());
    CString value, peeked;
    int steps = 0;
    while (!list.IsEmpty()) {
        const int before = list.GetLength();
        const bool peekResult = PeekArg(list, peeked, separator.c_str());
        Require(GetArg(list, value, separator.c_str()) && peekResult);
        Require(peeked == value);
        Require(list.GetLength() < before);
        Require(++steps <= static_cast<int>(text.size()));
    }
    Require(!GetArg(list, value, separator.c_str()));

    // Values written and read back. A backslash separator cannot be escaped apart from the
    // escape itself, so only the other separators promise a round trip.
    std::vector<std::wstring> values;
    while (!input.empty() && values.size() < 64) values.push_back(input.TakeText());
    CString written, prepended;
    for (const std::wstring& v : values) WriteArg(written, v.c_str(), separator.c_str());
    for (auto v = values.rbegin(); v != values.rend(); ++v) PrependArg(prepended, v->c_str(), separator.c_str());
    Require(written == prepended);
    if (separator == L"\\") return 0;
    for (const std::wstring& v : values) {
        Require(GetArg(written, value, separator.c_str()));
        Require(Same(value, v));
    }
    Require(written.IsEmpty());
    return 0;
}
