// CString and CStringA: reference-counted, copy-on-write, length-counted strings with value
// semantics and the member names of the Windows class library.
//
// A string is one pointer to the characters of a shared block (see cstring_detail.h); copies
// share the block until one of them is written. Lengths are counted, so a string may hold NUL
// characters; GetString() is always NUL-terminated. Narrow strings carry UTF-8 and convert to and
// from wide ones (UTF-16 on Windows, UTF-32 elsewhere).
//
// Out-of-range arguments have defined results: positions and counts of Left/Mid/Right/Delete/
// Insert are clamped to the string; GetAt and operator[] return NUL outside the string (the same
// character a read at GetLength() finds) and SetAt ignores such a position.
#pragma once

#include <common-win32/cstring_detail.h>
#include <common-win32/cstring_format.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

template <class BaseType>
class CStringT {
    static_assert(std::is_same_v<BaseType, char> || std::is_same_v<BaseType, wchar_t>,
                  "CStringT holds char or wchar_t");

public:
    typedef BaseType XCHAR;
    typedef std::conditional_t<std::is_same_v<BaseType, char>, wchar_t, char> YCHAR;
    typedef XCHAR* PXSTR;
    typedef const XCHAR* PCXSTR;
    typedef YCHAR* PYSTR;
    typedef const YCHAR* PCYSTR;

    // ---- Construction and assignment -----------------------------------------------------
    CStringT() noexcept = default;
    CStringT(const CStringT& other) : m_pszData(Share(other.m_pszData)) {}
    CStringT(CStringT&& other) noexcept : m_pszData(std::exchange(other.m_pszData, nullptr)) {}
    CStringT(const XCHAR* text) { SetString(text); }  // null gives an empty string
    CStringT(const XCHAR* text, int length) { SetString(text, length); }
    CStringT(const YCHAR* text) { SetConverted(text, text ? TextLength(text) : 0); }
    CStringT(const YCHAR* text, int length) { SetConverted(text, length); }
    CStringT(const CStringT<YCHAR>& other) { SetConverted(other.GetString(), other.GetLength()); }
    explicit CStringT(XCHAR ch, int repeat = 1) {
        if (repeat <= 0) return;
        std::fill_n(Reserve(repeat, 0), repeat, ch);
        SetLengthUnchecked(repeat);
    }
    ~CStringT() { Release(m_pszData); }

    CStringT& operator=(const CStringT& other) {
        XCHAR* shared = Share(other.m_pszData);
        Release(m_pszData);
        m_pszData = shared;
        return *this;
    }
    CStringT& operator=(CStringT&& other) noexcept {
        if (this != &other) {
            Release(m_pszData);
            m_pszData = std::exchange(other.m_pszData, nullptr);
        }
        return *this;
    }
    CStringT& operator=(const XCHAR* text) { SetString(text); return *this; }
    CStringT& operator=(const YCHAR* text) { SetConverted(text, text ? TextLength(text) : 0); return *this; }
    CStringT& operator=(const CStringT<YCHAR>& other) {
        SetConverted(other.GetString(), other.GetLength());
        return *this;
    }
    CStringT& operator=(XCHAR ch) { SetString(&ch, 1); return *this; }

    void SetString(const XCHAR* text) { SetString(text, text ? TextLength(text) : 0); }
    void SetString(const XCHAR* text, int length) {
        if (text == nullptr || length <= 0) {
            Truncate(0);
            return;
        }
        if (Aliases(text)) {
            *this = CStringT(text, length);
            return;
        }
        CopyUnits(Reserve(length, 0), text, length);
        SetLengthUnchecked(length);
    }

    // ---- Access ---------------------------------------------------------------------------
    int GetLength() const noexcept { return m_pszData ? Header()->length : 0; }
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    int GetAllocLength() const noexcept { return m_pszData ? Header()->capacity : 0; }
    const XCHAR* GetString() const noexcept { return m_pszData ? m_pszData : cw32::detail::EmptyText<XCHAR>::value; }
    operator const XCHAR*() const noexcept { return GetString(); }

    XCHAR GetAt(int index) const noexcept { return index >= 0 && index < GetLength() ? m_pszData[index] : XCHAR(0); }
    XCHAR operator[](int index) const noexcept { return GetAt(index); }
    void SetAt(int index, XCHAR ch) {
        const int length = GetLength();
        if (index < 0 || index >= length) return;
        Reserve(length, length)[index] = ch;
    }

    // Releases the text. A string whose buffer is out (GetBuffer) keeps it, with length 0.
    void Empty() noexcept {
        if (m_pszData == nullptr) return;
        if (Header()->refs.load(std::memory_order_acquire) < 0) {
            SetLengthUnchecked(0);
            return;
        }
        Release(std::exchange(m_pszData, nullptr));
    }
    void Truncate(int length) {
        const int current = GetLength();
        if (length < 0) length = 0;
        if (length >= current) return;
        if (length == 0 && Header()->refs.load(std::memory_order_acquire) > 1) {
            Release(std::exchange(m_pszData, nullptr));
            return;
        }
        Reserve(length, length);
        SetLengthUnchecked(length);
    }
    void Preallocate(int capacity) { Reserve(std::max(capacity, GetLength()), GetLength()); }

    // ---- Concatenation --------------------------------------------------------------------
    void Append(const XCHAR* text, int length) {
        if (text == nullptr || length <= 0) return;
        if (Aliases(text)) {
            Append(CStringT(text, length));
            return;
        }
        const int current = GetLength();
        if (length > MaxLength() - current) throw std::length_error("CStringT: string too long");
        CopyUnits(Reserve(current + length, current) + current, text, length);
        SetLengthUnchecked(current + length);
    }
    void Append(const XCHAR* text) { Append(text, text ? TextLength(text) : 0); }
    void Append(const CStringT& other) {
        if (IsEmpty() && other.m_pszData && other.Header()->refs.load(std::memory_order_acquire) > 0) {
            *this = other;  // nothing to keep: share instead of copying
            return;
        }
        const CStringT keep(other);  // `other` may be *this
        Append(keep.GetString(), keep.GetLength());
    }
    void AppendChar(XCHAR ch) { Append(&ch, 1); }

    CStringT& operator+=(const CStringT& other) { Append(other); return *this; }
    CStringT& operator+=(const XCHAR* text) { Append(text); return *this; }
    CStringT& operator+=(XCHAR ch) { AppendChar(ch); return *this; }
    CStringT& operator+=(const YCHAR* text) { Append(CStringT(text)); return *this; }
    CStringT& operator+=(const CStringT<YCHAR>& other) { Append(CStringT(other)); return *this; }

    // ---- Comparison: by code unit, as unsigned values; -1, 0 or 1 ------------------------
    int Compare(const XCHAR* text) const { return CompareUnits(GetString(), GetLength(), text, text ? TextLength(text) : 0); }
    int Compare(const CStringT& other) const {
        return CompareUnits(GetString(), GetLength(), other.GetString(), other.GetLength());
    }
    int CompareNoCase(const XCHAR* text) const {
        if (text == nullptr) text = cw32::detail::EmptyText<XCHAR>::value;
        return cw32::detail::CompareNoCase(GetString(), GetLength(), text, TextLength(text));
    }
    int CompareNoCase(const CStringT& other) const {
        return cw32::detail::CompareNoCase(GetString(), GetLength(), other.GetString(), other.GetLength());
    }

    // ---- Search: positions are 0-based, -1 when not found ---------------------------------
    int Find(XCHAR ch, int start = 0) const noexcept {
        const int length = GetLength();
        if (start < 0 || start >= length) return -1;
        const XCHAR* found = std::char_traits<XCHAR>::find(m_pszData + start, length - start, ch);
        return found ? static_cast<int>(found - m_pszData) : -1;
    }
    // An empty `text` is found at `start` (when start is within 0..GetLength()).
    int Find(const XCHAR* text, int start = 0) const noexcept {
        const int length = GetLength();
        if (start < 0 || start > length) return -1;
        const int text_length = text ? TextLength(text) : 0;
        if (text_length == 0) return start;
        const XCHAR* begin = GetString();
        for (int i = start; i <= length - text_length; ++i) {
            const XCHAR* found = std::char_traits<XCHAR>::find(begin + i, length - text_length + 1 - i, text[0]);
            if (found == nullptr) return -1;
            i = static_cast<int>(found - begin);
            if (std::char_traits<XCHAR>::compare(found, text, text_length) == 0) return i;
        }
        return -1;
    }
    int FindOneOf(const XCHAR* set) const noexcept {
        for (int i = 0; i < GetLength(); ++i)
            if (InSet(m_pszData[i], set)) return i;
        return -1;
    }
    int ReverseFind(XCHAR ch) const noexcept {
        for (int i = GetLength() - 1; i >= 0; --i)
            if (m_pszData[i] == ch) return i;
        return -1;
    }

    // ---- Editing: each returns the count it names or the new length ----------------------
    // Every occurrence of `old_ch` becomes `new_ch`; returns the occurrences.
    int Replace(XCHAR old_ch, XCHAR new_ch) {
        const int count = static_cast<int>(std::count(GetString(), GetString() + GetLength(), old_ch));
        if (count > 0 && old_ch != new_ch) {
            XCHAR* chars = Reserve(GetLength(), GetLength());
            std::replace(chars, chars + GetLength(), old_ch, new_ch);
        }
        return count;
    }
    // Replaces every occurrence of `old_text`, left to right and without overlap; the inserted
    // text is not searched again. An empty or null `old_text` replaces nothing. Returns the count.
    int Replace(const XCHAR* old_text, const XCHAR* new_text) {
        const int old_length = old_text ? TextLength(old_text) : 0;
        if (old_length == 0) return 0;
        const int new_length = new_text ? TextLength(new_text) : 0;
        int count = 0;
        for (int at = Find(old_text); at >= 0; at = Find(old_text, at + old_length)) ++count;
        if (count == 0) return 0;
        const long long total = GetLength() + static_cast<long long>(count) * (new_length - old_length);
        if (total > MaxLength()) throw std::length_error("CStringT: string too long");
        CStringT result;  // built beside this one: either text may point into it
        XCHAR* out = result.Reserve(static_cast<int>(total), 0);
        int from = 0;
        for (int at = Find(old_text); at >= 0; at = Find(old_text, from)) {
            out = CopyUnits(out, GetString() + from, at - from);
            out = CopyUnits(out, new_text, new_length);
            from = at + old_length;
        }
        CopyUnits(out, GetString() + from, GetLength() - from);
        result.SetLengthUnchecked(static_cast<int>(total));
        *this = std::move(result);
        return count;
    }
    int Insert(int index, XCHAR ch) { return Insert(index, &ch, 1); }
    int Insert(int index, const XCHAR* text) { return Insert(index, text, text ? TextLength(text) : 0); }
    int Delete(int index, int count = 1) {
        const int length = GetLength();
        if (index < 0) index = 0;
        if (count <= 0 || index >= length) return length;
        count = std::min(count, length - index);
        XCHAR* chars = Reserve(length, length);
        std::char_traits<XCHAR>::move(chars + index, chars + index + count, length - index - count);
        SetLengthUnchecked(length - count);
        return length - count;
    }
    int Remove(XCHAR ch) {
        const int length = GetLength();
        const int count = static_cast<int>(std::count(GetString(), GetString() + length, ch));
        if (count == 0) return 0;
        XCHAR* chars = Reserve(length, length);
        std::remove(chars, chars + length, ch);
        SetLengthUnchecked(length - count);
        return count;
    }

    CStringT& TrimLeft() { return TrimLeftWhile([](XCHAR c) { return cw32::detail::IsBlank(c); }); }
    CStringT& TrimLeft(XCHAR ch) { return TrimLeftWhile([ch](XCHAR c) { return c == ch; }); }
    CStringT& TrimLeft(const XCHAR* set) { return TrimLeftWhile([set](XCHAR c) { return InSet(c, set); }); }
    CStringT& TrimRight() { return TrimRightWhile([](XCHAR c) { return cw32::detail::IsBlank(c); }); }
    CStringT& TrimRight(XCHAR ch) { return TrimRightWhile([ch](XCHAR c) { return c == ch; }); }
    CStringT& TrimRight(const XCHAR* set) { return TrimRightWhile([set](XCHAR c) { return InSet(c, set); }); }
    CStringT& Trim() { return TrimRight().TrimLeft(); }
    CStringT& Trim(XCHAR ch) { return TrimRight(ch).TrimLeft(ch); }
    CStringT& Trim(const XCHAR* set) { return TrimRight(set).TrimLeft(set); }

    CStringT& MakeLower() {
        if (!IsEmpty()) cw32::detail::LowerCase(Reserve(GetLength(), GetLength()), GetLength());
        return *this;
    }
    CStringT& MakeUpper() {
        if (!IsEmpty()) cw32::detail::UpperCase(Reserve(GetLength(), GetLength()), GetLength());
        return *this;
    }
    // Reverses the code units (a UTF-16 surrogate pair or a UTF-8 sequence comes out reversed too).
    CStringT& MakeReverse() {
        if (GetLength() > 1) {
            XCHAR* chars = Reserve(GetLength(), GetLength());
            std::reverse(chars, chars + GetLength());
        }
        return *this;
    }

    // ---- Substrings -----------------------------------------------------------------------
    CStringT Left(int count) const { return Mid(0, count); }
    CStringT Right(int count) const {
        count = std::clamp(count, 0, GetLength());
        return Mid(GetLength() - count, count);
    }
    CStringT Mid(int first) const { return Mid(first, INT_MAX); }
    CStringT Mid(int first, int count) const {
        const int length = GetLength();
        first = std::clamp(first, 0, length);
        count = std::clamp(count, 0, length - first);
        if (first == 0 && count == length) return *this;
        return CStringT(GetString() + first, count);
    }
    // The leading characters that are (are not) in `set`.
    CStringT SpanIncluding(const XCHAR* set) const { return Left(SpanLength(set, true)); }
    CStringT SpanExcluding(const XCHAR* set) const { return Left(SpanLength(set, false)); }

    // The next token at or after `start`: delimiters of `set` before it are skipped, and
    // `start` moves past the delimiter after it. When no token is left, returns an empty
    // string and sets `start` to -1 (also for a negative `start`). An empty or null `set`
    // makes the rest of the string one token.
    CStringT Tokenize(const XCHAR* set, int& start) const {
        const int length = GetLength();
        if (start < 0 || start >= length) {
            start = -1;
            return CStringT();
        }
        int first = start;
        while (first < length && InSet(m_pszData[first], set)) ++first;
        if (first == length) {
            start = -1;
            return CStringT();
        }
        int end = first;
        while (end < length && !InSet(m_pszData[end], set)) ++end;
        start = end + 1;
        return Mid(first, end - first);
    }

    // ---- Direct buffer access -------------------------------------------------------------
    // GetBuffer hands out the string's own writable buffer (at least `min_length` characters
    // plus the NUL). Until ReleaseBuffer the buffer belongs to this string alone: a copy taken
    // meanwhile gets a copy of the text rather than sharing the buffer.
    XCHAR* GetBuffer() { return GetBuffer(0); }
    XCHAR* GetBuffer(int min_length) {
        XCHAR* chars = Reserve(std::max(min_length, GetLength()), GetLength());
        Header()->refs.store(-1, std::memory_order_release);
        return chars;
    }
    // The buffer with the length set to `length`; characters beyond the old text are NUL.
    XCHAR* GetBufferSetLength(int length) {
        length = std::max(length, 0);
        const int old_length = GetLength();
        XCHAR* chars = GetBuffer(length);
        if (length > old_length) std::fill(chars + old_length, chars + length, XCHAR(0));
        SetLengthUnchecked(length);
        return chars;
    }
    // Ends direct access: the length becomes `new_length`, or with -1 the length of the
    // NUL-terminated text in the buffer; either is kept within the buffer.
    void ReleaseBuffer(int new_length = -1) {
        if (m_pszData == nullptr) return;
        if (Header()->refs.load(std::memory_order_acquire) > 1) Reserve(GetLength(), GetLength());
        const int capacity = Header()->capacity;
        if (new_length < 0) new_length = static_cast<int>(std::find(m_pszData, m_pszData + capacity, XCHAR(0)) - m_pszData);
        SetLengthUnchecked(std::min(new_length, capacity));
        Header()->refs.store(1, std::memory_order_release);
    }

    // ---- Formatting (Windows conventions; see cstring_format.h) ---------------------------
    // In a wide format %s and %c take wide text and %S and %C narrow (UTF-8) text; in a narrow
    // format the other way round. A conversion that has no argument left is copied as written.
    template <class... Args>
    void Format(const XCHAR* format, const Args&... args) {
        const cw32::detail::FormatArg list[sizeof...(Args) + 1] = {cw32::detail::MakeFormatArg(args)...};
        cw32::detail::FormatInto(*this, false, format, list, sizeof...(Args));
    }
    template <class... Args>
    void AppendFormat(const XCHAR* format, const Args&... args) {
        const cw32::detail::FormatArg list[sizeof...(Args) + 1] = {cw32::detail::MakeFormatArg(args)...};
        cw32::detail::FormatInto(*this, true, format, list, sizeof...(Args));
    }

    // ---- Operators ------------------------------------------------------------------------
    friend CStringT operator+(const CStringT& a, const CStringT& b) { return Concat(a, b.GetString(), b.GetLength()); }
    friend CStringT operator+(const CStringT& a, const XCHAR* b) { return Concat(a, b, b ? TextLength(b) : 0); }
    friend CStringT operator+(const CStringT& a, XCHAR b) { return Concat(a, &b, 1); }
    friend CStringT operator+(CStringT&& a, const CStringT& b) { a.Append(b); return std::move(a); }
    friend CStringT operator+(CStringT&& a, const XCHAR* b) { a.Append(b); return std::move(a); }
    friend CStringT operator+(CStringT&& a, XCHAR b) { a.AppendChar(b); return std::move(a); }
    friend CStringT operator+(const XCHAR* a, const CStringT& b) { CStringT s(a); s.Append(b); return s; }
    friend CStringT operator+(XCHAR a, const CStringT& b) { CStringT s(a); s.Append(b); return s; }

    friend bool operator==(const CStringT& a, const CStringT& b) noexcept {
        return a.GetLength() == b.GetLength() &&
               std::char_traits<XCHAR>::compare(a.GetString(), b.GetString(), a.GetLength()) == 0;
    }
    friend bool operator==(const CStringT& a, const XCHAR* b) { return a.Compare(b) == 0; }
    friend bool operator==(const XCHAR* a, const CStringT& b) { return b.Compare(a) == 0; }
    friend bool operator==(const CStringT& a, XCHAR b) { return a.GetLength() == 1 && a.m_pszData[0] == b; }
    friend bool operator==(XCHAR a, const CStringT& b) { return b == a; }
    friend bool operator!=(const CStringT& a, const CStringT& b) noexcept { return !(a == b); }
    friend bool operator!=(const CStringT& a, const XCHAR* b) { return !(a == b); }
    friend bool operator!=(const XCHAR* a, const CStringT& b) { return !(a == b); }
    friend bool operator!=(const CStringT& a, XCHAR b) { return !(a == b); }
    friend bool operator!=(XCHAR a, const CStringT& b) { return !(a == b); }
    friend bool operator<(const CStringT& a, const CStringT& b) { return a.Compare(b) < 0; }
    friend bool operator<(const CStringT& a, const XCHAR* b) { return a.Compare(b) < 0; }
    friend bool operator<(const XCHAR* a, const CStringT& b) { return b.Compare(a) > 0; }
    friend bool operator<(const CStringT& a, XCHAR b) { return CompareUnits(a.GetString(), a.GetLength(), &b, 1) < 0; }
    friend bool operator<(XCHAR a, const CStringT& b) { return CompareUnits(&a, 1, b.GetString(), b.GetLength()) < 0; }
    friend bool operator>(const CStringT& a, const CStringT& b) { return b < a; }
    friend bool operator>(const CStringT& a, const XCHAR* b) { return b < a; }
    friend bool operator>(const XCHAR* a, const CStringT& b) { return b < a; }
    friend bool operator<=(const CStringT& a, const CStringT& b) { return !(b < a); }
    friend bool operator<=(const CStringT& a, const XCHAR* b) { return !(b < a); }
    friend bool operator<=(const XCHAR* a, const CStringT& b) { return !(b < a); }
    friend bool operator>=(const CStringT& a, const CStringT& b) { return !(a < b); }
    friend bool operator>=(const CStringT& a, const XCHAR* b) { return !(a < b); }
    friend bool operator>=(const XCHAR* a, const CStringT& b) { return !(a < b); }

private:
    using Data = cw32::detail::StringData;

    static constexpr int MaxLength() {
        constexpr std::size_t by_size = (SIZE_MAX - sizeof(Data)) / sizeof(XCHAR) - 1;
        return by_size < std::size_t(INT_MAX) - 1 ? static_cast<int>(by_size) : INT_MAX - 1;
    }
    static int TextLength(const XCHAR* text) {
        const std::size_t length = std::char_traits<XCHAR>::length(text);
        if (length > std::size_t(MaxLength())) throw std::length_error("CStringT: string too long");
        return static_cast<int>(length);
    }
    template <class Y>
    static int TextLength(const Y* text) {
        const std::size_t length = std::char_traits<Y>::length(text);
        if (length > std::size_t(INT_MAX)) throw std::length_error("CStringT: string too long");
        return static_cast<int>(length);
    }
    static XCHAR* CopyUnits(XCHAR* to, const XCHAR* from, int count) {
        if (count > 0) std::char_traits<XCHAR>::copy(to, from, count);
        return to + std::max(count, 0);
    }
    static int CompareUnits(const XCHAR* a, int a_length, const XCHAR* b, int b_length) {
        using Unit = std::make_unsigned_t<XCHAR>;
        const int common = std::min(a_length, b_length);
        for (int i = 0; i < common; ++i) {
            if (a[i] != b[i]) return static_cast<Unit>(a[i]) < static_cast<Unit>(b[i]) ? -1 : 1;
        }
        return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
    }
    static bool InSet(XCHAR ch, const XCHAR* set) {
        if (set == nullptr) return false;
        for (; *set; ++set)
            if (*set == ch) return true;
        return false;
    }
    static CStringT Concat(const CStringT& a, const XCHAR* b, int b_length) {
        CStringT s;
        s.Preallocate(a.GetLength() + std::max(b_length, 0));
        s.Append(a.GetString(), a.GetLength());
        s.Append(b, b_length);
        return s;
    }

    Data* Header() const noexcept { return reinterpret_cast<Data*>(m_pszData) - 1; }
    bool Aliases(const XCHAR* text) const noexcept {
        return m_pszData && std::less_equal<const XCHAR*>()(m_pszData, text) &&
               std::less_equal<const XCHAR*>()(text, m_pszData + Header()->capacity);
    }
    void SetLengthUnchecked(int length) noexcept {
        Header()->length = length;
        m_pszData[length] = 0;
    }

    // A new unshared block with room for `capacity` characters, holding the empty text.
    static XCHAR* Allocate(int capacity) {
        if (capacity < 0 || capacity > MaxLength()) throw std::length_error("CStringT: string too long");
        void* block = cw32::detail::AllocateStringBlock(sizeof(Data) + (std::size_t(capacity) + 1) * sizeof(XCHAR));
        if (block == nullptr) throw std::bad_alloc();
        Data* header = new (block) Data;
        header->refs.store(1, std::memory_order_relaxed);
        header->length = 0;
        header->capacity = capacity;
        header->reserved = 0;
        XCHAR* chars = reinterpret_cast<XCHAR*>(header + 1);
        chars[0] = 0;
        return chars;
    }
    static void Release(XCHAR* chars) noexcept {
        if (chars == nullptr) return;
        Data* header = reinterpret_cast<Data*>(chars) - 1;
        // Sole owner (1), or the buffer is out (-1): nobody else can be holding the block.
        if (header->refs.load(std::memory_order_acquire) <= 1 ||
            header->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            header->~Data();
            cw32::detail::FreeStringBlock(header);
        }
    }
    static XCHAR* Share(XCHAR* chars) {
        if (chars == nullptr) return nullptr;
        Data* header = reinterpret_cast<Data*>(chars) - 1;
        if (header->refs.load(std::memory_order_acquire) < 0) {  // buffer is out: copy the text
            XCHAR* copy = Allocate(header->length);
            CopyUnits(copy, chars, header->length);
            reinterpret_cast<Data*>(copy)[-1].length = header->length;
            copy[header->length] = 0;
            return copy;
        }
        header->refs.fetch_add(1, std::memory_order_relaxed);
        return chars;
    }

    // Makes the block this string's own with room for `capacity` characters and returns its
    // characters. The first `keep` characters (at most the current length) are preserved; the
    // length is left for the caller to set.
    XCHAR* Reserve(int capacity, int keep) {
        if (m_pszData == nullptr) return m_pszData = Allocate(capacity);
        Data* header = Header();
        keep = std::clamp(keep, 0, header->length);
        if (header->refs.load(std::memory_order_acquire) > 1) {
            XCHAR* fresh = Allocate(std::max(capacity, keep));
            CopyUnits(fresh, m_pszData, keep);
            Release(std::exchange(m_pszData, fresh));
            SetLengthUnchecked(keep);
            return m_pszData;
        }
        if (header->capacity < capacity) {
            if (capacity > MaxLength()) throw std::length_error("CStringT: string too long");
            // Grow by half again so that a run of appends costs linear time.
            const int grown = header->capacity < MaxLength() / 3 * 2 ? header->capacity + header->capacity / 2 : MaxLength();
            const int new_capacity = std::max(capacity, grown);
            void* block = cw32::detail::ReallocateStringBlock(
                header, sizeof(Data) + (std::size_t(new_capacity) + 1) * sizeof(XCHAR));
            if (block == nullptr) throw std::bad_alloc();
            header = static_cast<Data*>(block);
            header->capacity = new_capacity;
            m_pszData = reinterpret_cast<XCHAR*>(header + 1);
        }
        if (keep < header->length) SetLengthUnchecked(keep);
        return m_pszData;
    }

    void SetConverted(const YCHAR* text, int length) {
        if (text == nullptr || length <= 0) {
            Truncate(0);
            return;
        }
        int units;
        if constexpr (std::is_same_v<XCHAR, wchar_t>) {
            units = cw32::detail::Utf8ToWide(text, length, nullptr);
            cw32::detail::Utf8ToWide(text, length, Reserve(units, 0));
        } else {
            units = cw32::detail::WideToUtf8(text, length, nullptr);
            cw32::detail::WideToUtf8(text, length, Reserve(units, 0));
        }
        SetLengthUnchecked(units);
    }

    int Insert(int index, const XCHAR* text, int count) {
        const int length = GetLength();
        if (text == nullptr || count <= 0) return length;
        if (Aliases(text)) return Insert(index, CStringT(text, count).GetString(), count);
        if (count > MaxLength() - length) throw std::length_error("CStringT: string too long");
        index = std::clamp(index, 0, length);
        XCHAR* chars = Reserve(length + count, length);
        std::char_traits<XCHAR>::move(chars + index + count, chars + index, length - index);
        CopyUnits(chars + index, text, count);
        SetLengthUnchecked(length + count);
        return length + count;
    }
    int SpanLength(const XCHAR* set, bool in_set) const {
        int i = 0;
        while (i < GetLength() && InSet(m_pszData[i], set) == in_set) ++i;
        return i;
    }
    template <class Predicate>
    CStringT& TrimLeftWhile(Predicate drop) {
        int first = 0;
        while (first < GetLength() && drop(m_pszData[first])) ++first;
        if (first > 0) Delete(0, first);
        return *this;
    }
    template <class Predicate>
    CStringT& TrimRightWhile(Predicate drop) {
        int end = GetLength();
        while (end > 0 && drop(m_pszData[end - 1])) --end;
        Truncate(end);
        return *this;
    }

    XCHAR* m_pszData = nullptr;  // characters of a StringData block, or null for the empty string
};

typedef CStringT<wchar_t> CString;
typedef CStringT<char> CStringA;
typedef CStringT<wchar_t> CStringW;
