// The registry editor's text for a list of sections: quoted strings where the data is plain
// text, dword:xxxxxxxx for four-byte DWORDs, hex(...) otherwise, with string data in UTF-16LE
// as Windows files carry it.
#include "regfile/reg_file.h"
#include "regfile/reg_units.h"

#include <cstdio>

namespace cw32::regfile {
namespace {

constexpr std::size_t kLineWidth = 80;

std::wstring Quote(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t ch : text) {
        if (ch == L'\\' || ch == L'"') out += L'\\';
        out += ch;
    }
    return out + L"\"";
}

// A string value written as quoted text must come back byte for byte: one NUL at the end,
// none inside, and no line breaks (which would end the line).
bool IsPlainString(const Value& value, std::wstring& text) {
    if (value.type != REG_SZ) return false;
    std::wstring units = UnitsFromBytes(value.data);
    if (value.data.size() % sizeof(wchar_t) != 0 || units.empty() || units.back() != L'\0') return false;
    units.pop_back();
    for (wchar_t ch : units)
        if (ch == L'\0' || ch == L'\r' || ch == L'\n') return false;
    text = units;
    return true;
}

// hex:01,02 or hex(2):..., wrapped after a comma with "\" and two blanks of indent.
std::wstring HexData(const std::wstring& head, DWORD type, const std::vector<BYTE>& bytes) {
    wchar_t tag[24];
    if (type == REG_BINARY) std::swprintf(tag, 24, L"hex:");
    else std::swprintf(tag, 24, L"hex(%x):", static_cast<unsigned>(type));
    std::wstring out = head + tag;
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        wchar_t pair[4];
        std::swprintf(pair, 4, L"%02x", static_cast<unsigned>(bytes[i]));
        out += pair;
        if (i + 1 == bytes.size()) break;
        out += L',';
        if (out.size() - line_start >= kLineWidth - 4) {
            out += L"\\\r\n  ";
            line_start = out.size() - 2;
        }
    }
    return out;
}

std::wstring ValueLine(const Value& value) {
    const std::wstring head = (value.name.empty() ? std::wstring(L"@") : Quote(value.name)) + L"=";
    if (value.remove) return head + L"-";
    std::wstring text;
    if (IsPlainString(value, text)) return head + Quote(text);
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | value.data[static_cast<std::size_t>(i)];
        wchar_t digits[16];
        std::swprintf(digits, 16, L"dword:%08x", static_cast<unsigned>(number));
        return head + digits;
    }
    return HexData(head, value.type, IsStringType(value.type) ? Utf16FromUnits(value.data) : value.data);
}

}  // namespace

std::wstring WriteText(const std::vector<Section>& sections) {
    std::wstring out = L"Windows Registry Editor Version 5.00\r\n";
    for (const Section& section : sections) {
        out += L"\r\n[" + std::wstring(section.remove ? L"-" : L"") + section.path + L"]\r\n";
        for (const Value& value : section.values) out += ValueLine(value) + L"\r\n";
    }
    return out;
}

}  // namespace cw32::regfile
