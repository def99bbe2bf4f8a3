// Parses the registry editor's text: the header, [KEY] and [-KEY] sections, and value lines
// ("name" or @, then a quoted string, dword:, hex:, hex(type): or - for deletion), with hex data
// continued over lines ending in a backslash. Comments start with ';'.
#include "regfile/reg_file.h"
#include "regfile/reg_units.h"

#include <cwctype>

namespace cw32::regfile {
namespace {

const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";

struct Cursor {
    const std::wstring& line;
    std::size_t at = 0;
    bool Done() const { return at >= line.size(); }
    wchar_t Peek() const { return Done() ? L'\0' : line[at]; }
    void SkipBlanks() {
        while (!Done() && (line[at] == L' ' || line[at] == L'\t')) ++at;
    }
    bool Take(const wchar_t* word) {
        std::size_t length = std::wcslen(word);
        if (line.compare(at, length, word) != 0) return false;
        at += length;
        return true;
    }
};

// "text" with \\ and \" escapes; the cursor stands on the opening quote.
bool ReadQuoted(Cursor& c, std::wstring& out) {
    out.clear();
    ++c.at;
    while (!c.Done()) {
        wchar_t ch = c.line[c.at++];
        if (ch == L'"') return true;
        if (ch == L'\\' && !c.Done()) ch = c.line[c.at++];
        out += ch;
    }
    return false;
}

int HexDigit(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

bool ReadHexNumber(Cursor& c, std::size_t max_digits, unsigned long& value) {
    std::size_t digits = 0;
    value = 0;
    while (!c.Done() && HexDigit(c.Peek()) >= 0 && digits < max_digits) {
        value = value * 16 + static_cast<unsigned long>(HexDigit(c.line[c.at++]));
        ++digits;
    }
    return digits > 0;
}

// Comma-separated byte pairs; blanks may stand around the commas.
bool ReadHexBytes(Cursor& c, std::vector<BYTE>& bytes) {
    c.SkipBlanks();
    while (!c.Done()) {
        if (c.at + 1 >= c.line.size() || HexDigit(c.line[c.at]) < 0 || HexDigit(c.line[c.at + 1]) < 0) return false;
        bytes.push_back(static_cast<BYTE>(HexDigit(c.line[c.at]) * 16 + HexDigit(c.line[c.at + 1])));
        c.at += 2;
        c.SkipBlanks();
        if (c.Done()) break;
        if (c.Peek() != L',') return false;
        ++c.at;
        c.SkipBlanks();
    }
    return true;
}

bool ReadData(Cursor& c, Value& value, std::wstring& problem) {
    c.SkipBlanks();
    if (c.Take(L"-")) {
        value.remove = true;
    } else if (c.Peek() == L'"') {
        std::wstring text;
        if (!ReadQuoted(c, text)) return problem = L"unterminated string", false;
        value.type = REG_SZ;
        value.data = BytesFromUnits(text + L'\0');
    } else if (c.Take(L"dword:")) {
        unsigned long number = 0;
        if (!ReadHexNumber(c, 8, number)) return problem = L"dword: needs up to 8 hex digits", false;
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<BYTE>((number >> (8 * i)) & 0xFF));
    } else if (c.Take(L"hex")) {
        unsigned long type = REG_BINARY;
        if (c.Take(L"(") && !(ReadHexNumber(c, 8, type) && c.Take(L")")))
            return problem = L"hex(TYPE): needs a hex type", false;
        if (!c.Take(L":")) return problem = L"':' expected after hex", false;
        if (!ReadHexBytes(c, value.data)) return problem = L"hex data must be pairs of hex digits between commas", false;
        value.type = static_cast<DWORD>(type);
        if (IsStringType(value.type)) value.data = UnitsFromUtf16(value.data);
    } else {
        return problem = L"a string, dword:, hex: or - expected", false;
    }
    c.SkipBlanks();
    return c.Done() ? true : (problem = L"unexpected text after the data", false);
}

bool ParseLine(const std::wstring& line, std::vector<Section>& sections, std::wstring& problem) {
    Cursor c{line};
    c.SkipBlanks();
    if (c.Done() || c.Peek() == L';') return true;
    if (c.Peek() == L'[') {
        std::size_t close = line.rfind(L']');
        if (close == std::wstring::npos || close < c.at) return problem = L"']' missing", false;
        Section section;
        std::wstring path = line.substr(c.at + 1, close - c.at - 1);
        section.remove = !path.empty() && path[0] == L'-';
        section.path = section.remove ? path.substr(1) : path;
        HKEY hive = nullptr;
        std::wstring subkey;
        if (!SplitKeyPath(section.path, hive, subkey)) return problem = L"unknown hive in '" + section.path + L"'", false;
        sections.push_back(section);
        return true;
    }
    if (sections.empty()) return problem = L"a value before the first [KEY]", false;
    if (sections.back().remove) return problem = L"a value in a section that deletes its key", false;
    Value value;
    if (!c.Take(L"@")) {
        if (c.Peek() != L'"' || !ReadQuoted(c, value.name)) return problem = L"a quoted value name or @ expected", false;
    }
    c.SkipBlanks();
    if (!c.Take(L"=")) return problem = L"'=' expected after the value name", false;
    if (!ReadData(c, value, problem)) return false;
    sections.back().values.push_back(value);
    return true;
}

}  // namespace

bool ParseText(const std::wstring& text, std::vector<Section>& sections, std::wstring& error) {
    sections.clear();
    std::size_t position = 0, number = 0;
    bool header_seen = false;
    std::wstring logical;
    std::size_t logical_start = 0;
    while (position <= text.size()) {
        std::size_t end = text.find(L'\n', position);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(position, end - position);
        position = end + 1;
        ++number;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        if (!header_seen) {
            if (line.find_first_not_of(L" \t") == std::wstring::npos) continue;
            if (line != kHeader) {
                error = L"line " + std::to_wstring(number) + L": not a registry file (the first line must be \"" +
                        kHeader + L"\")";
                return false;
            }
            header_seen = true;
            continue;
        }
        if (logical.empty()) logical_start = number;
        std::size_t first = logical.empty() ? 0 : line.find_first_not_of(L" \t");
        logical += first == std::wstring::npos ? L"" : line.substr(first);
        // Hex data goes on over lines ending in a backslash.
        if (!logical.empty() && logical.back() == L'\\' && logical.find(L"=hex") != std::wstring::npos) {
            logical.pop_back();
            continue;
        }
        std::wstring problem;
        if (!ParseLine(logical, sections, problem)) {
            error = L"line " + std::to_wstring(logical_start) + L": " + problem;
            return false;
        }
        logical.clear();
    }
    if (!header_seen) {
        error = L"empty file: the first line must be \"" + std::wstring(kHeader) + L"\"";
        return false;
    }
    return true;
}

}  // namespace cw32::regfile
