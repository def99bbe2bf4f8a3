// CString and CStringA: reference-counted, copy-on-write, length-counted strings with value
// semantics and the member names of the Windows class library.
//
// A string is one pointer to the characters of a shared block (cstring_storage.h); copies share
// the block until one of them is written. Lengths are counted, so a string may hold NUL
// characters; GetString() is always NUL-terminated. Narrow strings carry UTF-8 and convert to and
// from wide ones (UTF-16 on Windows, UTF-32 elsewhere).
//
// Out-of-range arguments have defined results: positions and counts of Left/Mid/Right/Delete/
// Insert are clamped to the string; GetAt and operator[] return NUL outside the string (the same
// character a read at GetLength() finds) and SetAt ignores such a position.
#pragma once

#include <common-win32/cstring_detail.h>
#include <common-win32/cstring_format.h>
#include <common-win32/cstring_storage.h>

#include <algorithm>
#include <climits>
#include <string>
#include <type_traits>
#include <utility>

template <class BaseType>
class CStringT {
    static_assert(std::is_same_v<BaseType, char> || std::is_same_v<BaseType, wchar_t>,
                  "CStringT holds char or wchar_t");
    using Storage = cw32::detail::StringStorage<BaseType>;

public:
    typedef BaseType XCHAR;
    typedef std::conditional_t<std::is_same_v<BaseType, char>, wchar_t, char> YCHAR;
    typedef XCHAR* PXSTR;
    typedef const XCHAR* PCXSTR;
    typedef YCHAR* PYSTR;
    typedef const YCHAR* PCYSTR;

    // ---- Construction and assignment (copies share; see cstring_storage.h) ----------------
    CStringT() noexcept = default;
    CStringT(const CStringT&) = default;
    CStringT(CStringT&&) noexcept = default;
    CStringT& operator=(const CStringT&) = default;
    CStringT& operator=(CStringT&&) noexcept = default;
    ~CStringT() = default;

    CStringT(const XCHAR* text) { SetString(text); }  // null gives an empty string
    CStringT(const XCHAR* text, int length) { SetString(text, length); }
    CStringT(const YCHAR* text) { SetConverted(text, text ? Storage::TextLength(text) : 0); }
    CStringT(const YCHAR* text, int length) { SetConverted(text, length); }
    CStringT(const CStringT<YCHAR>& other) { SetConverted(other.GetString(), other.GetLength()); }
    explicit CStringT(XCHAR ch, int repeat = 1) {
        if (repeat <= 0) return;
        std::fill_n(m_data.Reserve(repeat, 0), repeat, ch);
        m_data.SetLength(repeat);
    }

    CStringT& operator=(const XCHAR* text) { SetString(text); return *this; }
    CStringT& operator=(const YCHAR* text) { SetConverted(text, text ? Storage::TextLength(text) : 0); return *this; }
    CStringT& operator=(const CStringT<YCHAR>& other) {
        SetConverted(other.GetString(), other.GetLength());
        return *this;
    }
    CStringT& operator=(XCHAR ch) { SetString(&ch, 1); return *this; }

    void SetString(const XCHAR* text) { SetString(text, text ? Storage::TextLength(text) : 0); }
    void SetString(const XCHAR* text, int length) {
        if (text == nullptr || length <= 0) {
            Truncate(0);
        } else if (m_data.Aliases(text)) {
            *this = CStringT(text, length);
        } else {
            Storage::CopyUnits(m_data.Reserve(length, 0), text, length);
            m_data.SetLength(length);
        }
    }

    // ---- Access ---------------------------------------------------------------------------
    int GetLength() const noexcept { return m_data.length(); }
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    int GetAllocLength() const noexcept { return m_data.capacity(); }
    const XCHAR* GetString() const noexcept {
        return m_data.chars() ? m_data.chars() : cw32::detail::EmptyText<XCHAR>::value;
    }
    operator const XCHAR*() const noexcept { return GetString(); }

    XCHAR GetAt(int index) const noexcept { return index >= 0 && index < GetLength() ? m_data.chars()[index] : XCHAR(0); }
    XCHAR operator[](int index) const noexcept { return GetAt(index); }
    void SetAt(int index, XCHAR ch) {
        if (index >= 0 && index < GetLength()) Own()[index] = ch;
    }

    // Releases the text. A string whose buffer is out (GetBuffer) keeps it, with length 0.
    void Empty() noexcept {
        if (m_data.locked()) m_data.SetLength(0);
        else m_data.Clear();
    }
    void Truncate(int length) {
        length = std::max(length, 0);
        if (length >= GetLength()) return;
        if (length == 0 && m_data.shared()) {
            m_data.Clear();
            return;
        }
        m_data.Reserve(length, length);
    }
    void Preallocate(int capacity) { m_data.Reserve(std::max(capacity, GetLength()), GetLength()); }

    // ---- Concatenation --------------------------------------------------------------------
    void Append(const XCHAR* text, int length) {
        if (text == nullptr || length <= 0) return;
        if (m_data.Aliases(text)) {
            Append(CStringT(text, length));
            return;
        }
        const int current = GetLength();
        if (length > Storage::MaxLength() - current) throw std::length_error("CStringT: string too long");
        Storage::CopyUnits(m_data.Reserve(current + length, current) + current, text, length);
        m_data.SetLength(current + length);
    }
    void Append(const XCHAR* text) { Append(text, text ? Storage::TextLength(text) : 0); }
    void Append(const CStringT& other) {
        if (IsEmpty() && !m_data.locked() && !other.m_data.locked()) {
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
    int Compare(const XCHAR* text) const {
        return CompareUnits(GetString(), GetLength(), text, text ? Storage::TextLength(text) : 0);
    }
    int Compare(const CStringT& other) const {
        return CompareUnits(GetString(), GetLength(), other.GetString(), other.GetLength());
    }
    int CompareNoCase(const XCHAR* text) const {
        if (text == nullptr) text = cw32::detail::EmptyText<XCHAR>::value;
        return cw32::detail::CompareNoCase(GetString(), GetLength(), text, Storage::TextLength(text));
    }
    int CompareNoCase(const CStringT& other) const {
        return cw32::detail::CompareNoCase(GetString(), GetLength(), other.GetString(), other.GetLength());
    }
    static int CompareUnits(const XCHAR* a, int a_length, const XCHAR* b, int b_length) {
        using Unit = std::make_unsigned_t<XCHAR>;
        const int common = std::min(a_length, b_length);
        for (int i = 0; i < common; ++i) {
            if (a[i] != b[i]) return static_cast<Unit>(a[i]) < static_cast<Unit>(b[i]) ? -1 : 1;
        }
        return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
    }

    // ---- Search: positions are 0-based, -1 when not found ---------------------------------
    int Find(XCHAR ch, int start = 0) const noexcept {
        const int length = GetLength();
        if (start < 0 || start >= length) return -1;
        const XCHAR* found = std::char_traits<XCHAR>::find(GetString() + start, length - start, ch);
        return found ? static_cast<int>(found - GetString()) : -1;
    }
    // An empty `text` is found at `start` (when start is within 0..GetLength()).
    int Find(const XCHAR* text, int start = 0) const noexcept {
        const int length = GetLength();
        if (start < 0 || start > length) return -1;
        const int text_length = text ? static_cast<int>(std::char_traits<XCHAR>::length(text)) : 0;
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
            if (InSet(GetString()[i], set)) return i;
        return -1;
    }
    int ReverseFind(XCHAR ch) const noexcept {
        for (int i = GetLength() - 1; i >= 0; --i)
            if (GetString()[i] == ch) return i;
        return -1;
    }

    // ---- Editing: each returns the count it names or the new length ----------------------
    // Every occurrence of `old_ch` becomes `new_ch`; returns the occurrences.
    int Replace(XCHAR old_ch, XCHAR new_ch) {
        const int count = static_cast<int>(std::count(GetString(), GetString() + GetLength(), old_ch));
        if (count > 0 && old_ch != new_ch) {
            XCHAR* chars = Own();
            std::replace(chars, chars + GetLength(), old_ch, new_ch);
        }
        return count;
    }
    // Replaces every occurrence of `old_text`, left to right and without overlap; the inserted
    // text is not searched again. An empty or null `old_text` replaces nothing. Returns the count.
    int Replace(const XCHAR* old_text, const XCHAR* new_text) {
        const int old_length = old_text ? Storage::TextLength(old_text) : 0;
        if (old_length == 0) return 0;
        const int new_length = new_text ? Storage::TextLength(new_text) : 0;
        int count = 0;
        for (int at = Find(old_text); at >= 0; at = Find(old_text, at + old_length)) ++count;
        if (count == 0) return 0;
        const long long total = GetLength() + static_cast<long long>(count) * (new_length - old_length);
        if (total > Storage::MaxLength()) throw std::length_error("CStringT: string too long");
        CStringT result;  // built beside this one: either text may point into it
        XCHAR* out = result.m_data.Reserve(static_cast<int>(total), 0);
        int from = 0;
        for (int at = Find(old_text); at >= 0; at = Find(old_text, from)) {
            out = Storage::CopyUnits(out, GetString() + from, at - from);
            out = Storage::CopyUnits(out, new_text, new_length);
            from = at + old_length;
        }
        Storage::CopyUnits(out, GetString() + from, GetLength() - from);
        result.m_data.SetLength(static_cast<int>(total));
        *this = std::move(result);
        return count;
    }
    int Insert(int index, XCHAR ch) { return InsertUnits(index, &ch, 1); }
    int Insert(int index, const XCHAR* text) { return InsertUnits(index, text, text ? Storage::TextLength(text) : 0); }
    int Delete(int index, int count = 1) {
        const int length = GetLength();
        index = std::max(index, 0);
        if (count <= 0 || index >= length) return length;
        count = std::min(count, length - index);
        XCHAR* chars = Own();
        std::char_traits<XCHAR>::move(chars + index, chars + index + count, length - index - count);
        m_data.SetLength(length - count);
        return length - count;
    }
    int Remove(XCHAR ch) {
        const int length = GetLength();
        const int count = static_cast<int>(std::count(GetString(), GetString() + length, ch));
        if (count == 0) return 0;
        XCHAR* chars = Own();
        std::remove(chars, chars + length, ch);
        m_data.SetLength(length - count);
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
        if (!IsEmpty()) cw32::detail::LowerCase(Own(), GetLength());
        return *this;
    }
    CStringT& MakeUpper() {
        if (!IsEmpty()) cw32::detail::UpperCase(Own(), GetLength());
        return *this;
    }
    // Reverses the code units (a UTF-16 surrogate pair or a UTF-8 sequence comes out reversed too).
    CStringT& MakeReverse() {
        if (GetLength() > 1) {
            XCHAR* chars = Own();
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
        int first = start < 0 ? length : start;
        while (first < length && InSet(GetString()[first], set)) ++first;
        if (first >= length) {
            start = -1;
            return CStringT();
        }
        int end = first;
        while (end < length && !InSet(GetString()[end], set)) ++end;
        start = end + 1;
        return Mid(first, end - first);
    }

    // ---- Direct buffer access -------------------------------------------------------------
    // GetBuffer hands out the string's own writable buffer (at least `min_length` characters
    // plus the NUL). Until ReleaseBuffer the buffer belongs to this string alone: a copy taken
    // meanwhile gets a copy of the text rather than sharing the buffer.
    XCHAR* GetBuffer() { return GetBuffer(0); }
    XCHAR* GetBuffer(int min_length) {
        XCHAR* chars = m_data.Reserve(std::max(min_length, GetLength()), GetLength());
        m_data.Lock();
        return chars;
    }
    // The buffer with the length set to `length`; characters beyond the old text are NUL.
    XCHAR* GetBufferSetLength(int length) {
        length = std::max(length, 0);
        const int old_length = GetLength();
        XCHAR* chars = GetBuffer(length);
        if (length > old_length) std::fill(chars + old_length, chars + length, XCHAR(0));
        m_data.SetLength(length);
        return chars;
    }
    // Ends direct access: the length becomes `new_length`, or with -1 the length of the
    // NUL-terminated text in the buffer; either is kept within the buffer.
    void ReleaseBuffer(int new_length = -1) {
        if (m_data.chars() == nullptr) return;
        XCHAR* chars = m_data.shared() ? Own() : m_data.chars();
        const int capacity = m_data.capacity();
        if (new_length < 0) new_length = static_cast<int>(std::find(chars, chars + capacity, XCHAR(0)) - chars);
        m_data.SetLength(std::min(new_length, capacity));
        m_data.Unlock();
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

private:
    // The characters, made this string's own for writing, at the current length.
    XCHAR* Own() { return m_data.Reserve(GetLength(), GetLength()); }

    static bool InSet(XCHAR ch, const XCHAR* set) {
        if (set == nullptr) return false;
        for (; *set; ++set)
            if (*set == ch) return true;
        return false;
    }
    int SpanLength(const XCHAR* set, bool in_set) const {
        int i = 0;
        while (i < GetLength() && InSet(GetString()[i], set) == in_set) ++i;
        return i;
    }
    template <class Predicate>
    CStringT& TrimLeftWhile(Predicate drop) {
        int first = 0;
        while (first < GetLength() && drop(GetString()[first])) ++first;
        if (first > 0) Delete(0, first);
        return *this;
    }
    template <class Predicate>
    CStringT& TrimRightWhile(Predicate drop) {
        int end = GetLength();
        while (end > 0 && drop(GetString()[end - 1])) --end;
        Truncate(end);
        return *this;
    }

    int InsertUnits(int index, const XCHAR* text, int count) {
        const int length = GetLength();
        if (text == nullptr || count <= 0) return length;
        if (m_data.Aliases(text)) return InsertUnits(index, CStringT(text, count).GetString(), count);
        if (count > Storage::MaxLength() - length) throw std::length_error("CStringT: string too long");
        index = std::clamp(index, 0, length);
        XCHAR* chars = m_data.Reserve(length + count, length);
        std::char_traits<XCHAR>::move(chars + index + count, chars + index, length - index);
        Storage::CopyUnits(chars + index, text, count);
        m_data.SetLength(length + count);
        return length + count;
    }

    void SetConverted(const YCHAR* text, int length) {
        if (text == nullptr || length <= 0) {
            Truncate(0);
            return;
        }
        int units;
        if constexpr (std::is_same_v<XCHAR, wchar_t>) {
            units = cw32::detail::Utf8ToWide(text, length, nullptr);
            cw32::detail::Utf8ToWide(text, length, m_data.Reserve(units, 0));
        } else {
            units = cw32::detail::WideToUtf8(text, length, nullptr);
            cw32::detail::WideToUtf8(text, length, m_data.Reserve(units, 0));
        }
        m_data.SetLength(units);
    }

    Storage m_data;
};

typedef CStringT<wchar_t> CString;
typedef CStringT<char> CStringA;
typedef CStringT<wchar_t> CStringW;

#include <common-win32/cstring_operators.h>
