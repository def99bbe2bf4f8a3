// The non-template core under CStringT: the shared string block, where its memory comes from,
// UTF-8 conversion and case mapping. Included by <common-win32/cstring.h>; not for direct use.
#pragma once

#include <common-win32/export.h>

#include <cstddef>

namespace cw32::detail {

// Header of a string block; the characters (capacity + 1 units, NUL-terminated) follow it.
// `refs` counts the CStringT objects sharing the block; -1 marks a block whose buffer was handed
// out by GetBuffer and is owned by one string until ReleaseBuffer. It is read and written with
// the compiler's atomic built-ins, so the block stays a plain struct that realloc may move.
struct StringData {
    int refs;
    int length;
    int capacity;
    int reserved;  // pads the header to 16 bytes on every target
};
static_assert(sizeof(StringData) == 16, "string block header layout is part of the ABI");

// String blocks are allocated and freed inside common-win32 only, so a string made in a host
// program may be released by the library and the other way round, whatever runtime each module
// was built with. Allocation returns null when memory is short; the callers throw.
CW32_API void* AllocateStringBlock(std::size_t bytes);
CW32_API void* ReallocateStringBlock(void* block, std::size_t bytes);
CW32_API void FreeStringBlock(void* block);

// UTF-8 <-> wide text (UTF-16 on Windows, UTF-32 elsewhere). With `out` null they return the
// units needed; otherwise they write exactly that many. Invalid input (a broken UTF-8 sequence,
// an unpaired surrogate, a value beyond U+10FFFF) becomes U+FFFD, one per maximal bad subpart.
CW32_API int Utf8ToWide(const char* text, int length, wchar_t* out);
CW32_API int WideToUtf8(const wchar_t* text, int length, char* out);

// Case mapping for MakeLower/MakeUpper/CompareNoCase, the same on every platform and in every
// locale: wide text maps ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters; narrow
// text is UTF-8, so only its ASCII bytes change (a multi-byte character is left as it is).
CW32_API void LowerCase(wchar_t* text, int length);
CW32_API void UpperCase(wchar_t* text, int length);
CW32_API void LowerCase(char* text, int length);
CW32_API void UpperCase(char* text, int length);
CW32_API int CompareNoCase(const wchar_t* a, int a_length, const wchar_t* b, int b_length);
CW32_API int CompareNoCase(const char* a, int a_length, const char* b, int b_length);

// The six C-locale blanks (space, tab, LF, VT, FF, CR) trimmed by Trim() with no argument.
template <class XCHAR>
constexpr bool IsBlank(XCHAR c) {
    return c == XCHAR(' ') || (c >= XCHAR('\t') && c <= XCHAR('\r'));
}

// Where an empty string points: a NUL of its own in every module, never written or freed.
template <class XCHAR>
struct EmptyText {
    static constexpr XCHAR value[1] = {};
};

}  // namespace cw32::detail
