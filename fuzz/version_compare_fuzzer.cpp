// Both version comparisons on any texts: no crash, answers in their ranges, each version
// equal to itself, and swapping the versions swaps the sign.
#include "text_fuzz_input.h"

using cw32fuzz::FuzzInput;
using cw32fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // Counts from -128 to 127, and now and then a huge one.
    const std::uint8_t countByte = input.TakeByte();
    const int count = countByte == 0xFF ? 2147483647 : static_cast<int>(static_cast<std::int8_t>(countByte));
    const std::wstring first = input.TakeText();
    const std::wstring second = input.TakeText();
    const CString a(first.c_str()), b(second.c_str());

    const int loose = compareVersionStr(a, b);
    Require(loose >= -1 && loose <= 1);
    Require(compareVersionStr(b, a) == -loose);
    Require(compareVersionStr(a, a) == 0);

    SetLastError(0);
    const int strict = VersionCompare(first.c_str(), second.c_str(), count);
    if (count <= 0) {
        Require(strict == 0 && GetLastError() == ERROR_INVALID_PARAMETER);
        return 0;
    }
    Require(strict >= -65535 && strict <= 65535);
    Require(VersionCompare(second.c_str(), first.c_str(), count) == -strict);
    Require(VersionCompare(first.c_str(), first.c_str(), count) == 0);
    // Comparing more components can only find a difference that fewer components missed.
    if (strict != 0 && count < 2147483647) Require(VersionCompare(first.c_str(), second.c_str(), count + 1) == strict);
    return 0;
}
