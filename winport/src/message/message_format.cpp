// FormatMessageW's template language, for winport's FormatMessageW; no library logic here.
#include "message/message_format.h"

#include "core/text.h"
#include "core/unsupported.h"

#include <winport/errors.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace winport::detail {
namespace {

constexpr unsigned kMaxInsert = 99;
constexpr unsigned kMaxFieldWidth = 0xFFFF;  // wider fields are taken as a malformed template

enum class Slot { Unused, Int32, Int64, Pointer };

// One "%n!format!" of the template.
struct Insert {
    unsigned number = 0;        // 1 .. 99: the slot of the value
    std::wstring flags;         // printf flags: - + space # 0
    bool width_star = false, precision_star = false, has_precision = false;
    unsigned width = 0, precision = 0;
    std::string length;         // "", "h", "l", "ll", "I64", "I32", "I", "w"
    wchar_t conversion = L's';
    std::wstring raw;           // the insert as written, for IGNORE_INSERTS
};

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

bool IsFlag(wchar_t c) { return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0'; }

bool ReadNumber(std::wstring_view directive, std::size_t& i, unsigned& value) {
    value = 0;
    while (i < directive.size() && directive[i] >= L'0' && directive[i] <= L'9') {
        value = value * 10 + static_cast<unsigned>(directive[i++] - L'0');
        if (value > kMaxFieldWidth) return false;
    }
    return true;
}

// Parses the text between the two '!' of an insert.
bool ParseFormat(std::wstring_view directive, Insert& insert) {
    std::size_t i = 0;
    while (i < directive.size() && IsFlag(directive[i])) insert.flags += directive[i++];
    if (i < directive.size() && directive[i] == L'*') {
        insert.width_star = true;
        ++i;
    } else if (!ReadNumber(directive, i, insert.width)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (i < directive.size() && directive[i] == L'.') {
        insert.has_precision = true;
        ++i;
        if (i < directive.size() && directive[i] == L'*') {
            insert.precision_star = true;
            ++i;
        } else if (!ReadNumber(directive, i, insert.precision)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
    }
    for (const char* length : {"I64", "I32", "ll", "hh", "h", "l", "w", "I"}) {
        std::size_t n = std::char_traits<char>::length(length);
        if (directive.size() - i <= n) continue;
        bool match = true;
        for (std::size_t k = 0; k < n; ++k) match = match && directive[i + k] == static_cast<wchar_t>(length[k]);
        if (match) {
            insert.length = length;
            i += n;
            break;
        }
    }
    if (i + 1 != directive.size()) return Fail(ERROR_INVALID_PARAMETER);
    insert.conversion = directive[i];
    switch (insert.conversion) {
    case L'c': case L'C': case L'd': case L'i': case L'o': case L'u': case L'x': case L'X':
    case L's': case L'S': case L'p':
        return true;
    case L'e': case L'E': case L'f': case L'g': case L'G': case L'a': case L'A':
        ReportUnsupported("FormatMessageW", "a floating-point insert format");
        return false;
    default:
        return Fail(ERROR_INVALID_PARAMETER);
    }
}

bool IsWide64(const Insert& insert) {
    return insert.length == "I64" || insert.length == "ll" || (insert.length == "I" && sizeof(void*) == 8);
}

Slot ValueSlot(const Insert& insert) {
    switch (insert.conversion) {
    case L's': case L'S': case L'p': return Slot::Pointer;
    default: return IsWide64(insert) ? Slot::Int64 : Slot::Int32;
    }
}

// The template, cut into pieces: plain text, line breaks, escapes and inserts.
struct Piece {
    enum Kind { Text, LineBreak, Stop, Escape, InsertRef } kind;
    std::wstring text;  // Text and Escape: the characters to write
    Insert insert;
};

bool Tokenize(std::wstring_view src, bool ignore, std::vector<Piece>& pieces) {
    std::wstring text;
    auto flush = [&] {
        if (!text.empty()) pieces.push_back(Piece{Piece::Text, std::move(text), {}});
        text.clear();
    };
    for (std::size_t i = 0; i < src.size();) {
        wchar_t c = src[i];
        if (c == L'\r' || c == L'\n') {
            flush();
            i += (c == L'\r' && i + 1 < src.size() && src[i + 1] == L'\n') ? 2 : 1;
            pieces.push_back(Piece{Piece::LineBreak, {}, {}});
            continue;
        }
        if (c != L'%') {
            text += c;
            ++i;
            continue;
        }
        if (i + 1 >= src.size()) return Fail(ERROR_INVALID_PARAMETER);  // a lone '%' at the end
        wchar_t next = src[i + 1];
        if (next >= L'1' && next <= L'9') {
            Insert insert;
            std::size_t j = i + 1;
            insert.number = static_cast<unsigned>(src[j++] - L'0');
            if (j < src.size() && src[j] >= L'0' && src[j] <= L'9')
                insert.number = insert.number * 10 + static_cast<unsigned>(src[j++] - L'0');
            if (j < src.size() && src[j] == L'!') {
                std::size_t close = src.find(L'!', j + 1);
                if (close == std::wstring_view::npos) return Fail(ERROR_INVALID_PARAMETER);
                if (!ignore && !ParseFormat(src.substr(j + 1, close - j - 1), insert)) return false;
                // "*" widths take the slots before the value's: all of them must exist.
                if (insert.number + insert.width_star + insert.precision_star > kMaxInsert)
                    return Fail(ERROR_INVALID_PARAMETER);
                j = close + 1;
            }
            insert.raw.assign(src.substr(i, j - i));
            i = j;
            if (ignore) {
                text += insert.raw;
            } else {
                flush();
                pieces.push_back(Piece{Piece::InsertRef, {}, std::move(insert)});
            }
            continue;
        }
        i += 2;
        switch (next) {
        case L'0': flush(); pieces.push_back(Piece{Piece::Stop, {}, {}}); return true;
        case L'n': flush(); pieces.push_back(Piece{Piece::Escape, L"\r\n", {}}); continue;
        case L'r': text += L'\r'; continue;
        case L't': text += L'\t'; continue;
        default:
            // With inserts ignored, "%%", "%." and the like pass through untouched.
            if (ignore) text += L'%';
            text += next;
        }
    }
    flush();
    return true;
}

// The value slots the inserts use, with the type each is read as.
std::vector<Slot> SlotTypes(const std::vector<Piece>& pieces) {
    std::vector<Slot> slots;
    auto use = [&](unsigned number, Slot type) {
        if (slots.size() < number) slots.resize(number, Slot::Unused);
        if (slots[number - 1] == Slot::Unused) slots[number - 1] = type;
    };
    for (const Piece& p : pieces) {
        if (p.kind != Piece::InsertRef) continue;
        unsigned n = p.insert.number;
        if (p.insert.width_star) use(n++, Slot::Int32);
        if (p.insert.precision_star) use(n++, Slot::Int32);
        use(n, ValueSlot(p.insert));
    }
    return slots;
}

// Reads the argument values: from the array, or from the variable arguments in slot order
// (each read with the type its insert gives; a slot no insert uses is pointer-sized).
std::vector<std::uint64_t> ReadValues(const std::vector<Slot>& slots, const MessageInserts& inserts) {
    std::vector<std::uint64_t> values(slots.size());
    for (std::size_t k = 0; k < slots.size(); ++k) {
        if (inserts.array) {
            values[k] = inserts.array[k];
            continue;
        }
        switch (slots[k]) {
        case Slot::Int32: values[k] = va_arg(*inserts.list, unsigned int); break;
        case Slot::Int64: values[k] = va_arg(*inserts.list, unsigned long long); break;
        default: values[k] = reinterpret_cast<std::uintptr_t>(va_arg(*inserts.list, void*)); break;
        }
    }
    return values;
}

std::wstring Pad(std::wstring text, const Insert& insert, unsigned width) {
    if (text.size() >= width) return text;
    std::wstring fill(width - text.size(), L' ');
    return insert.flags.find(L'-') != std::wstring::npos ? text + fill : fill + text;
}

std::wstring FormatInteger(const Insert& insert, std::uint64_t raw, unsigned width, unsigned precision) {
    const bool is_signed = insert.conversion == L'd' || insert.conversion == L'i';
    // The argument is as wide as its length modifier says ("l" is 32 bits, as on Windows).
    long long value;
    if (IsWide64(insert)) value = static_cast<long long>(raw);
    else if (insert.length == "h") value = is_signed ? static_cast<long long>(static_cast<std::int16_t>(raw))
                                                     : static_cast<long long>(static_cast<std::uint16_t>(raw));
    else if (insert.length == "hh") value = is_signed ? static_cast<long long>(static_cast<std::int8_t>(raw))
                                                      : static_cast<long long>(static_cast<std::uint8_t>(raw));
    else value = is_signed ? static_cast<long long>(static_cast<std::int32_t>(raw))
                           : static_cast<long long>(static_cast<std::uint32_t>(raw));
    std::string format = "%";
    for (wchar_t f : insert.flags) format += static_cast<char>(f);
    format += "*";
    if (insert.has_precision) format += ".*";
    format += "ll";
    format += static_cast<char>(insert.conversion == L'i' ? L'd' : insert.conversion);
    const int w = static_cast<int>(width), pr = static_cast<int>(precision);
    const int length = insert.has_precision ? std::snprintf(nullptr, 0, format.c_str(), w, pr, value)
                                            : std::snprintf(nullptr, 0, format.c_str(), w, value);
    if (length <= 0) return std::wstring();
    std::string narrow(static_cast<std::size_t>(length) + 1, '\0');
    if (insert.has_precision) std::snprintf(&narrow[0], narrow.size(), format.c_str(), w, pr, value);
    else std::snprintf(&narrow[0], narrow.size(), format.c_str(), w, value);
    narrow.resize(static_cast<std::size_t>(length));
    return std::wstring(narrow.begin(), narrow.end());
}

std::wstring FormatInsert(const Insert& insert, const std::vector<std::uint64_t>& values) {
    unsigned n = insert.number;
    unsigned width = insert.width, precision = insert.precision;
    if (insert.width_star) width = static_cast<unsigned>(values[n++ - 1]) & kMaxFieldWidth;
    if (insert.precision_star) precision = static_cast<unsigned>(values[n++ - 1]) & kMaxFieldWidth;
    const std::uint64_t value = values[n - 1];
    const bool narrow_text = insert.conversion == L'S' || insert.conversion == L'C' ||
                             ((insert.conversion == L's' || insert.conversion == L'c') && insert.length == "h");
    switch (insert.conversion) {
    case L's': case L'S': {
        std::wstring text;
        const void* p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(value));
        if (p == nullptr) text = L"(null)";
        else if (narrow_text) text = FromUtf8(static_cast<const char*>(p));
        else text = static_cast<const wchar_t*>(p);
        if (insert.has_precision && text.size() > precision) text.resize(precision);
        return Pad(std::move(text), insert, width);
    }
    case L'c': case L'C': {
        std::wstring text;
        if (narrow_text) text = FromUtf8(std::string(1, static_cast<char>(value)));
        else text.assign(1, static_cast<wchar_t>(value));
        return Pad(std::move(text), insert, width);
    }
    case L'p': {
        char buffer[2 * sizeof(void*) + 1];
        std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(2 * sizeof(void*)),
                      static_cast<unsigned long long>(value));
        std::string digits = buffer;
        return Pad(std::wstring(digits.begin(), digits.end()), insert, width);
    }
    default:
        return FormatInteger(insert, value, width, precision);
    }
}

}  // namespace

bool RenderMessage(std::wstring_view source, const MessageInserts& inserts, bool join_lines, std::wstring& out) {
    std::vector<Piece> pieces;
    if (!Tokenize(source, inserts.ignore, pieces)) return false;
    std::vector<std::uint64_t> values;
    const std::vector<Slot> slots = SlotTypes(pieces);
    if (!slots.empty()) {
        if (inserts.array == nullptr && inserts.list == nullptr) return Fail(ERROR_INVALID_PARAMETER);
        values = ReadValues(slots, inserts);
    }
    out.clear();
    for (const Piece& p : pieces) {
        switch (p.kind) {
        case Piece::Text: case Piece::Escape: out += p.text; break;
        case Piece::LineBreak: out += join_lines ? L" " : L"\r\n"; break;
        case Piece::InsertRef: out += FormatInsert(p.insert, values); break;
        case Piece::Stop: return true;
        }
    }
    return true;
}

}  // namespace winport::detail
