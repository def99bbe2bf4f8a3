// Format's arguments, captured with their types. CStringT::Format is a variadic template: each
// argument becomes a FormatArg that records what it is (integer of which width and sign,
// floating value, pointer, narrow or wide text), and the format engine in the library converts
// each one as its conversion asks. A conversion can therefore never read an argument as a type
// it is not, and a conversion without an argument is detected.
// Included by <common-win32/cstring.h>; not for direct use.
#pragma once

#include <common-win32/export.h>

#include <cstddef>
#include <string>
#include <type_traits>

template <class XCHAR>
class CStringT;

namespace cw32::detail {

struct FormatArg {
    enum class Kind : unsigned char { Signed, Unsigned, Float, Pointer, NarrowText, WideText };
    Kind kind = Kind::Unsigned;
    unsigned char size = 0;  // bytes of the integer type the value came from (1, 2, 4 or 8)
    union {
        long long i;  // Signed, sign-extended from `size` bytes
        unsigned long long u;  // Unsigned, zero-extended from `size` bytes
        double f;
        const void* p;
        const char* narrow;  // NUL-terminated UTF-8, or null
        const wchar_t* wide;  // NUL-terminated, or null
    };
    FormatArg() : u(0) {}
};

// Integers of every width (characters included: they are printed as numbers by %d and as
// characters by %c), and enumerations through their underlying type.
template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
FormatArg MakeFormatArg(T value) {
    FormatArg arg;
    arg.size = sizeof(T);
    if constexpr (std::is_signed_v<T>) {
        arg.kind = FormatArg::Kind::Signed;
        arg.i = static_cast<long long>(value);
    } else {
        arg.kind = FormatArg::Kind::Unsigned;
        arg.u = static_cast<unsigned long long>(value);
    }
    return arg;
}

template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
FormatArg MakeFormatArg(T value) {
    return MakeFormatArg(static_cast<std::underlying_type_t<T>>(value));
}

template <class T, std::enable_if_t<std::is_floating_point_v<T>, int> = 0>
FormatArg MakeFormatArg(T value) {
    FormatArg arg;
    arg.kind = FormatArg::Kind::Float;
    arg.size = sizeof(double);
    arg.f = static_cast<double>(value);
    return arg;
}

template <class T>
FormatArg MakeFormatArg(T* pointer) {
    FormatArg arg;
    arg.kind = FormatArg::Kind::Pointer;
    arg.size = sizeof(void*);
    arg.p = reinterpret_cast<const void*>(pointer);
    return arg;
}

inline FormatArg MakeFormatArg(std::nullptr_t) { return MakeFormatArg(static_cast<const void*>(nullptr)); }

inline FormatArg MakeFormatArg(const char* text) {
    FormatArg arg;
    arg.kind = FormatArg::Kind::NarrowText;
    arg.size = sizeof(void*);
    arg.narrow = text;
    return arg;
}
inline FormatArg MakeFormatArg(char* text) { return MakeFormatArg(static_cast<const char*>(text)); }

inline FormatArg MakeFormatArg(const wchar_t* text) {
    FormatArg arg;
    arg.kind = FormatArg::Kind::WideText;
    arg.size = sizeof(void*);
    arg.wide = text;
    return arg;
}
inline FormatArg MakeFormatArg(wchar_t* text) { return MakeFormatArg(static_cast<const wchar_t*>(text)); }

// Strings are passed as their NUL-terminated text, as a C string would be: an embedded NUL ends
// what is printed.
template <class XCHAR>
FormatArg MakeFormatArg(const CStringT<XCHAR>& text) {
    return MakeFormatArg(text.GetString());
}
template <class XCHAR, class Traits, class Alloc>
FormatArg MakeFormatArg(const std::basic_string<XCHAR, Traits, Alloc>& text) {
    return MakeFormatArg(text.c_str());
}

// The engine (in the library): formats `format` with `args` and stores the result in `out`,
// replacing its text or, with `append`, adding to it. `out` may be one of the arguments.
CW32_API void FormatInto(CStringT<wchar_t>& out, bool append, const wchar_t* format,
                         const FormatArg* args, std::size_t count);
CW32_API void FormatInto(CStringT<char>& out, bool append, const char* format,
                         const FormatArg* args, std::size_t count);

}  // namespace cw32::detail
