// Between the registry's string data (this platform's wchar_t units: UTF-16 on Windows, UTF-32
// elsewhere) and the UTF-16LE that registry files carry.
#pragma once

#include <common-win32/platform.h>

#include <string>
#include <vector>

namespace cw32::regfile {

bool IsStringType(DWORD type);

// Whole wchar_t units of `bytes` (a partial unit at the end is dropped).
std::wstring UnitsFromBytes(const std::vector<BYTE>& bytes);
std::vector<BYTE> BytesFromUnits(const std::wstring& units);

// wchar_t-unit bytes to UTF-16LE bytes and back. Bytes past the last whole unit are kept as
// they are, so odd-sized data survives a round trip.
std::vector<BYTE> Utf16FromUnits(const std::vector<BYTE>& bytes);
std::vector<BYTE> UnitsFromUtf16(const std::vector<BYTE>& bytes);

}  // namespace cw32::regfile
