// Text units and file bytes of registry files: wchar_t units <-> UTF-16LE, and the file's
// encodings (UTF-16LE with BOM out; UTF-16LE or UTF-8 in).
#include "regfile/reg_units.h"
#include "regfile/reg_file.h"

#include <cstring>

namespace cw32::regfile {
namespace {

void PutUnit16(std::vector<BYTE>& out, unsigned unit) {
    out.push_back(static_cast<BYTE>(unit & 0xFF));
    out.push_back(static_cast<BYTE>(unit >> 8));
}

// wchar_t text as UTF-16 code units (a character above U+FFFF becomes a surrogate pair where
// wchar_t is 32-bit).
std::vector<BYTE> Utf16Bytes(const std::wstring& units) {
    std::vector<BYTE> out;
    for (wchar_t ch : units) {
        auto code = static_cast<unsigned long>(ch);
        if (code > 0xFFFF && code <= 0x10FFFF) {
            code -= 0x10000;
            PutUnit16(out, static_cast<unsigned>(0xD800 + (code >> 10)));
            PutUnit16(out, static_cast<unsigned>(0xDC00 + (code & 0x3FF)));
        } else {
            PutUnit16(out, static_cast<unsigned>(code & 0xFFFF));
        }
    }
    return out;
}

std::wstring FromUtf16Bytes(const BYTE* bytes, std::size_t count) {
    std::wstring out;
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        unsigned unit = bytes[i] | (bytes[i + 1] << 8);
        if (sizeof(wchar_t) == 4 && unit >= 0xD800 && unit <= 0xDBFF && i + 3 < count) {
            unsigned low = bytes[i + 2] | (bytes[i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out += static_cast<wchar_t>(unit);
    }
    return out;
}

bool DecodeUtf8(const std::string& bytes, std::size_t start, std::wstring& text) {
    text.clear();
    for (std::size_t i = start; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > bytes.size()) return false;
        unsigned long code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
            code -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (code >> 10));
            text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        } else {
            text += static_cast<wchar_t>(code);
        }
        i += length;
    }
    return true;
}

}  // namespace

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::wstring UnitsFromBytes(const std::vector<BYTE>& bytes) {
    std::wstring units(bytes.size() / sizeof(wchar_t), L'\0');
    if (!units.empty()) std::memcpy(&units[0], bytes.data(), units.size() * sizeof(wchar_t));
    return units;
}

std::vector<BYTE> BytesFromUnits(const std::wstring& units) {
    const BYTE* p = reinterpret_cast<const BYTE*>(units.data());
    return std::vector<BYTE>(p, p + units.size() * sizeof(wchar_t));
}

std::vector<BYTE> Utf16FromUnits(const std::vector<BYTE>& bytes) {
    if (sizeof(wchar_t) == 2) return bytes;
    std::vector<BYTE> out = Utf16Bytes(UnitsFromBytes(bytes));
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / sizeof(wchar_t) * sizeof(wchar_t)),
               bytes.end());
    return out;
}

std::vector<BYTE> UnitsFromUtf16(const std::vector<BYTE>& bytes) {
    if (sizeof(wchar_t) == 2) return bytes;
    std::vector<BYTE> out = BytesFromUnits(FromUtf16Bytes(bytes.data(), bytes.size()));
    if (bytes.size() % 2) out.push_back(bytes.back());
    return out;
}

std::string EncodeFile(const std::wstring& text) {
    std::vector<BYTE> utf16 = Utf16Bytes(text);
    return std::string("\xFF\xFE") + std::string(utf16.begin(), utf16.end());
}

bool DecodeFile(const std::string& bytes, std::wstring& text, std::wstring& error) {
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    if (bytes.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        text = FromUtf16Bytes(data + 2, bytes.size() - 2);
        return true;
    }
    if (bytes.size() >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        error = L"UTF-16 big-endian files are not supported";
        return false;
    }
    const std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (!DecodeUtf8(bytes, start, text)) {
        error = L"the file is neither UTF-16LE with a byte-order mark nor UTF-8";
        return false;
    }
    return true;
}

}  // namespace cw32::regfile
