// The format engine behind CStringT::Format and AppendFormat: printf conventions as the Windows
// runtime has them, implemented here so that both platforms print the same text. The C library's
// printf family is never used (glibc and the Windows runtime disagree on %s in wide formats).
//
// Choices where printf leaves things undefined, taken so that every format has a defined result:
// - A conversion with no argument left (or a '*' without one) is copied to the output as written,
//   so a reader of the text sees which placeholder went unfilled. Extra arguments are ignored.
// - An unknown conversion (including %n, which would write to memory) is copied as written and
//   takes no argument; so is a conversion cut off by the end of the format.
// - An argument whose type does not suit its conversion is printed by its own type: an integer
//   as %d or %u, a floating value as %g, a pointer as %p, text as %s, keeping flags and width.
//   Integers and pointers suit the integer conversions, integers and floating values the floating
//   ones, pointers, text and integers suit %p.
// - Integer values are taken at the width of the argument's own type, after C's promotion of
//   narrower types to int, so %ld, %I64d and %lld all print an int and a 64-bit value correctly
//   and the output matches what the Windows runtime prints for well-matched arguments; h and hh
//   narrow the value as that runtime does.
// - Text is converted to the format's width when it has the other one (UTF-8 <-> wide). The
//   precision of %s counts output units and never splits a converted character.
// - Widths and precisions above 65535 are taken as 65535.
#include <common-win32/cstring.h>

#include "format_support.h"
#include "unicode.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace cw32::detail {
namespace {

constexpr int kFieldLimit = 65535;

struct Directive {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = 0;
    int precision = -1;  // none
    enum class Size { None, Short, Byte, Long } size = Size::None;  // h, hh, l/w; others change nothing
    char conversion = 0;
};

bool IsConversion(char c) {
    for (const char* k = "diuoxXcCsSpfFeEgGaA"; *k; ++k)
        if (*k == c) return true;
    return false;
}

bool Accepts(char conversion, FormatArg::Kind kind) {
    using Kind = FormatArg::Kind;
    const bool integer = kind == Kind::Signed || kind == Kind::Unsigned;
    const bool text = kind == Kind::NarrowText || kind == Kind::WideText;
    switch (conversion) {
        case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': return integer || kind == Kind::Pointer;
        case 'c': case 'C': return integer;
        case 's': case 'S': return text;
        case 'p': return integer || text || kind == Kind::Pointer;
        default: return integer || kind == Kind::Float;
    }
}

char NaturalConversion(FormatArg::Kind kind) {
    switch (kind) {
        case FormatArg::Kind::Signed: return 'd';
        case FormatArg::Kind::Unsigned: return 'u';
        case FormatArg::Kind::Float: return 'g';
        case FormatArg::Kind::Pointer: return 'p';
        default: return 's';
    }
}

template <class XCHAR>
class Formatter {
public:
    static constexpr bool kWide = std::is_same_v<XCHAR, wchar_t>;

    Formatter(const FormatArg* args, std::size_t count) : args_(args), count_(count) {}

    void Run(const XCHAR* format) {
        for (const XCHAR* p = format; *p;) {
            if (*p != '%') {
                const XCHAR* run = p;
                while (*p && *p != '%') ++p;
                out_.Put(run, p - run);
                continue;
            }
            const XCHAR* start = p++;
            if (*p == '%') {
                out_.Put(XCHAR('%'));
                ++p;
                continue;
            }
            Directive directive;
            const FormatArg* arg = nullptr;
            if (Parse(p, directive) && (arg = NextArg()) != nullptr) {
                Convert(directive, *arg);
            } else {
                out_.Put(start, p - start);
            }
        }
    }
    const OutputBuffer<XCHAR>& Output() const { return out_; }

private:
    const FormatArg* NextArg() { return next_ < count_ ? &args_[next_++] : nullptr; }

    static bool IsDigit(XCHAR c) { return c >= XCHAR('0') && c <= XCHAR('9'); }
    static int Number(const XCHAR*& p) {
        int value = 0;
        for (; IsDigit(*p); ++p) value = std::min(value * 10 + static_cast<int>(*p - XCHAR('0')), kFieldLimit);
        return value;
    }
    // The value of a '*': an integer argument; false when there is none.
    bool StarValue(int& value) {
        const FormatArg* arg = NextArg();
        if (arg == nullptr) return false;
        if (arg->kind == FormatArg::Kind::Signed) {
            value = static_cast<int>(std::clamp<long long>(arg->i, -kFieldLimit, kFieldLimit));
        } else if (arg->kind == FormatArg::Kind::Unsigned) {
            value = static_cast<int>(std::min<unsigned long long>(arg->u, kFieldLimit));
        } else {
            return false;
        }
        return true;
    }

    // Reads a conversion directive after its '%' and leaves `p` after it (or at the end of
    // the format). False when it cannot be carried out as written.
    bool Parse(const XCHAR*& p, Directive& directive) {
        bool ok = true;
        for (;; ++p) {
            if (*p == '-') directive.left = true;
            else if (*p == '+') directive.plus = true;
            else if (*p == ' ') directive.space = true;
            else if (*p == '#') directive.alt = true;
            else if (*p == '0') directive.zero = true;
            else break;
        }
        if (*p == '*') {
            ++p;
            ok = StarValue(directive.width);
            if (directive.width < 0) {
                directive.left = true;
                directive.width = -directive.width;
            }
        } else {
            directive.width = Number(p);
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                ok = StarValue(directive.precision) && ok;
                if (directive.precision < 0) directive.precision = -1;
            } else {
                directive.precision = Number(p);
            }
        }
        ParseSize(p, directive);
        if (*p == 0) return false;
        const XCHAR c = *p++;
        directive.conversion = static_cast<std::make_unsigned_t<XCHAR>>(c) < 0x80 ? static_cast<char>(c) : '?';
        return ok && IsConversion(directive.conversion);
    }
    static void ParseSize(const XCHAR*& p, Directive& directive) {
        switch (*p) {
            case 'h':
                ++p;
                directive.size = Directive::Size::Short;
                if (*p == 'h') {
                    ++p;
                    directive.size = Directive::Size::Byte;
                }
                break;
            case 'l':
                ++p;
                if (*p == 'l') ++p;
                else directive.size = Directive::Size::Long;
                break;
            case 'w':
                ++p;
                directive.size = Directive::Size::Long;
                break;
            case 'I':
                ++p;
                if ((p[0] == '3' && p[1] == '2') || (p[0] == '6' && p[1] == '4')) p += 2;
                break;
            case 'L': case 'q': case 'j': case 'z': case 't':
                ++p;
                break;
            default:
                break;
        }
    }

    void Convert(Directive directive, const FormatArg& arg) {
        if (!Accepts(directive.conversion, arg.kind)) directive.conversion = NaturalConversion(arg.kind);
        switch (directive.conversion) {
            case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': Integer(directive, arg); break;
            case 'c': case 'C': Character(directive, arg); break;
            case 's': case 'S': Text(directive, arg); break;
            case 'p': Pointer(directive, arg); break;
            default: Floating(directive, arg); break;
        }
    }

    // Sign or prefix, then zeros, then the body, padded to the width.
    void Emit(const char* prefix, int zeros, const char* body, std::size_t body_length, const Directive& directive, bool zero_pad) {
        const std::size_t prefix_length = std::char_traits<char>::length(prefix);
        const std::size_t used = prefix_length + zeros + body_length;
        const std::size_t pad = directive.width > 0 && std::size_t(directive.width) > used ? directive.width - used : 0;
        if (!directive.left && !zero_pad) out_.Fill(XCHAR(' '), pad);
        out_.PutAscii(prefix, prefix_length);
        out_.Fill(XCHAR('0'), zeros + (zero_pad && !directive.left ? pad : 0));
        out_.PutAscii(body, body_length);
        if (directive.left) out_.Fill(XCHAR(' '), pad);
    }
    // Text padded to the width; the Windows runtime pads with zeros when asked to.
    void EmitText(const XCHAR* text, std::size_t length, const Directive& directive) {
        const std::size_t pad = directive.width > 0 && std::size_t(directive.width) > length ? directive.width - length : 0;
        if (!directive.left) out_.Fill(XCHAR(directive.zero ? '0' : ' '), pad);
        out_.Put(text, length);
        if (directive.left) out_.Fill(XCHAR(' '), pad);
    }

    void Integer(const Directive& directive, const FormatArg& arg) {
        const char conversion = directive.conversion;
        unsigned bytes = std::max<unsigned>(arg.size, sizeof(int));  // the C promotions
        if (directive.size == Directive::Size::Short) bytes = 2;
        if (directive.size == Directive::Size::Byte) bytes = 1;
        const unsigned long long mask = bytes >= 8 ? ~0ull : (1ull << (bytes * 8)) - 1;
        unsigned long long bits = (arg.kind == FormatArg::Kind::Pointer ? reinterpret_cast<std::uintptr_t>(arg.p) : arg.u) & mask;
        bool negative = false;
        if ((conversion == 'd' || conversion == 'i') && (bits >> (bytes * 8 - 1)) & 1) {
            negative = true;
            bits = (~bits + 1) & mask;
        }
        const unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
        const char* alphabet = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        char reversed[24];
        int count = 0;
        for (unsigned long long v = bits; v != 0; v /= base) reversed[count++] = alphabet[v % base];
        char body[24];
        for (int i = 0; i < count; ++i) body[i] = reversed[count - 1 - i];
        const int min_digits = directive.precision < 0 ? 1 : directive.precision;
        int zeros = min_digits > count ? min_digits - count : 0;
        if (directive.alt && conversion == 'o' && zeros == 0 && (count == 0 || body[0] != '0')) zeros = 1;
        const char* prefix = "";
        if (conversion == 'd' || conversion == 'i') prefix = negative ? "-" : directive.plus ? "+" : directive.space ? " " : "";
        if (directive.alt && bits != 0 && base == 16) prefix = conversion == 'X' ? "0X" : "0x";
        Emit(prefix, zeros, body, count, directive, directive.zero && directive.precision < 0);
    }

    // %c asks for a character of the format's width, %C of the other one (h: narrow, l/w: wide).
    // A wide character is a code point; a narrow one is a byte of UTF-8 text, so on its own a
    // byte from 0x80 up is no character and comes out as U+FFFD in wide text.
    void Character(const Directive& directive, const FormatArg& arg) {
        bool wide_char = (directive.conversion == 'c') == kWide;
        if (directive.size == Directive::Size::Short) wide_char = false;
        if (directive.size == Directive::Size::Long) wide_char = true;
        const unsigned long long value = arg.size == 1 ? (arg.u & 0xFF) : arg.u;
        const bool negative = arg.kind == FormatArg::Kind::Signed && arg.size > 1 && arg.i < 0;
        XCHAR units[4];
        int count = 1;
        if (!wide_char) {
            const auto byte = static_cast<unsigned char>(value);
            if constexpr (kWide) units[0] = byte < 0x80 ? static_cast<XCHAR>(byte) : static_cast<XCHAR>(kReplacementCharacter);
            else units[0] = static_cast<XCHAR>(byte);
        } else {
            const char32_t code = negative || value > 0x10FFFF ? kReplacementCharacter : static_cast<char32_t>(value);
            if constexpr (kWide) count = EncodeWide(code, units);
            else count = EncodeUtf8(code, units);
        }
        EmitText(units, count, directive);
    }

    void Text(const Directive& directive, const FormatArg& arg) {
        static constexpr XCHAR kNull[] = {'(', 'n', 'u', 'l', 'l', ')'};
        const bool own_width = (arg.kind == FormatArg::Kind::WideText) == kWide;
        const void* source = arg.p;
        if (source == nullptr || own_width) {
            const XCHAR* text = source ? static_cast<const XCHAR*>(source) : kNull;
            const std::size_t limit = directive.precision < 0 ? SIZE_MAX : std::size_t(directive.precision);
            std::size_t length = 0;
            if (source == nullptr) length = std::min<std::size_t>(6, limit);
            else if (directive.precision < 0) length = std::char_traits<XCHAR>::length(text);
            else while (length < limit && text[length]) ++length;  // never reads past the precision
            EmitText(text, length, directive);
            return;
        }
        std::basic_string<XCHAR> converted;
        if constexpr (kWide) {
            const char* narrow = arg.narrow;
            const int length = static_cast<int>(std::char_traits<char>::length(narrow));
            converted.resize(Utf8ToWide(narrow, length, nullptr));
            Utf8ToWide(narrow, length, converted.data());
        } else {
            const wchar_t* wide = arg.wide;
            const int length = static_cast<int>(std::char_traits<wchar_t>::length(wide));
            converted.resize(WideToUtf8(wide, length, nullptr));
            WideToUtf8(wide, length, converted.data());
        }
        std::size_t length = converted.size();
        if (directive.precision >= 0 && std::size_t(directive.precision) < length) {
            length = directive.precision;
            if constexpr (kWide) {
                if (kWideIsUtf16 && length > 0 && (converted[length] & 0xFC00) == 0xDC00 &&
                    (converted[length - 1] & 0xFC00) == 0xD800)
                    --length;
            } else {
                while (length > 0 && (static_cast<unsigned char>(converted[length]) & 0xC0) == 0x80) --length;
            }
        }
        EmitText(converted.data(), length, directive);
    }

    // Windows style: the address in upper-case hex, as many digits as a pointer has.
    void Pointer(const Directive& directive, const FormatArg& arg) {
        const std::uintptr_t value = arg.kind == FormatArg::Kind::Signed || arg.kind == FormatArg::Kind::Unsigned
                                         ? static_cast<std::uintptr_t>(arg.u)
                                         : reinterpret_cast<std::uintptr_t>(arg.p);
        char body[2 * sizeof(void*)];
        for (std::size_t i = 0; i < sizeof body; ++i) body[i] = "0123456789ABCDEF"[(value >> (4 * (sizeof body - 1 - i))) & 0xF];
        Directive padded = directive;
        padded.zero = false;
        Emit("", 0, body, sizeof body, padded, false);
    }

    void Floating(const Directive& directive, const FormatArg& arg) {
        const double value = arg.kind == FormatArg::Kind::Float    ? arg.f
                             : arg.kind == FormatArg::Kind::Signed ? static_cast<double>(arg.i)
                                                                   : static_cast<double>(arg.u);
        const char conversion = directive.conversion;
        const bool upper = conversion >= 'A' && conversion <= 'Z';
        const char kind = static_cast<char>(upper ? conversion + ('a' - 'A') : conversion);
        const double magnitude = std::fabs(value);
        const bool finite = std::isfinite(magnitude);
        const int precision = directive.precision < 0 ? 6 : directive.precision;
        std::string body;
        if (!finite) {
            body = std::isnan(magnitude) ? "nan" : "inf";
        } else if (kind == 'f') {
            body = FloatText(magnitude, std::chars_format::fixed, precision);
            if (directive.alt && precision == 0) body += '.';
        } else if (kind == 'e') {
            body = FloatText(magnitude, std::chars_format::scientific, precision);
            if (directive.alt && precision == 0) body.insert(body.find('e'), 1, '.');
        } else if (kind == 'g') {
            body = GeneralText(magnitude, directive.precision, directive.alt);
        } else {  // 'a': the precision, when given, counts hex digits after the point
            body = FloatText(magnitude, std::chars_format::hex, directive.precision);
            if (directive.alt && body.find('.') == std::string::npos) body.insert(body.find('p'), 1, '.');
        }
        if (upper)
            for (char& c : body) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
        std::string prefix = std::signbit(value) ? "-" : directive.plus ? "+" : directive.space ? " " : "";
        if (kind == 'a' && finite) prefix += upper ? "0X" : "0x";
        Emit(prefix.c_str(), 0, body.data(), body.size(), directive, directive.zero && finite);
    }

    const FormatArg* args_;
    std::size_t count_;
    std::size_t next_ = 0;
    OutputBuffer<XCHAR> out_;
};

template <class XCHAR>
void Format(CStringT<XCHAR>& out, bool append, const XCHAR* format, const FormatArg* args, std::size_t count) {
    Formatter<XCHAR> formatter(args, count);
    if (format != nullptr) formatter.Run(format);  // a null format formats as an empty one
    const OutputBuffer<XCHAR>& text = formatter.Output();
    if (text.size() > std::size_t(INT_MAX / 2)) throw std::length_error("CStringT::Format: result too long");
    const int length = static_cast<int>(text.size());
    if (append) out.Append(text.data(), length);
    else out.SetString(text.data(), length);
}

}  // namespace

void FormatInto(CStringT<wchar_t>& out, bool append, const wchar_t* format, const FormatArg* args, std::size_t count) {
    Format(out, append, format, args, count);
}
void FormatInto(CStringT<char>& out, bool append, const char* format, const FormatArg* args, std::size_t count) {
    Format(out, append, format, args, count);
}

}  // namespace cw32::detail
