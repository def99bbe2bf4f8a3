// Concatenation and comparison operators of CStringT, with strings, C strings and characters.
// The C string and character operands are not deduced, so they convert as arguments usually do.
// Included at the end of <common-win32/cstring.h>; not for direct use.
#pragma once

namespace cw32::detail {

template <class X>
CStringT<X> Concat(const CStringT<X>& a, const X* b, int b_length) {
    CStringT<X> s;
    s.Preallocate(a.GetLength() + std::max(b_length, 0));
    s.Append(a.GetString(), a.GetLength());
    s.Append(b, b_length);
    return s;
}

}  // namespace cw32::detail

template <class X>
CStringT<X> operator+(const CStringT<X>& a, const CStringT<X>& b) {
    return cw32::detail::Concat(a, b.GetString(), b.GetLength());
}
template <class X>
CStringT<X> operator+(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return cw32::detail::Concat(a, b, b ? static_cast<int>(std::char_traits<X>::length(b)) : 0);
}
template <class X>
CStringT<X> operator+(const CStringT<X>& a, typename CStringT<X>::XCHAR b) {
    return cw32::detail::Concat(a, &b, 1);
}
// An unnamed left operand is appended to in place.
template <class X>
CStringT<X> operator+(CStringT<X>&& a, const CStringT<X>& b) {
    a.Append(b);
    return std::move(a);
}
template <class X>
CStringT<X> operator+(CStringT<X>&& a, typename CStringT<X>::PCXSTR b) {
    a.Append(b);
    return std::move(a);
}
template <class X>
CStringT<X> operator+(CStringT<X>&& a, typename CStringT<X>::XCHAR b) {
    a.AppendChar(b);
    return std::move(a);
}
template <class X>
CStringT<X> operator+(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    CStringT<X> s(a);
    s.Append(b);
    return s;
}
template <class X>
CStringT<X> operator+(typename CStringT<X>::XCHAR a, const CStringT<X>& b) {
    CStringT<X> s(a);
    s.Append(b);
    return s;
}

template <class X>
bool operator==(const CStringT<X>& a, const CStringT<X>& b) noexcept {
    return a.GetLength() == b.GetLength() &&
           std::char_traits<X>::compare(a.GetString(), b.GetString(), a.GetLength()) == 0;
}
template <class X>
bool operator==(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return a.Compare(b) == 0;
}
template <class X>
bool operator==(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    return b.Compare(a) == 0;
}
template <class X>
bool operator==(const CStringT<X>& a, typename CStringT<X>::XCHAR b) noexcept {
    return a.GetLength() == 1 && a.GetString()[0] == b;
}
template <class X>
bool operator==(typename CStringT<X>::XCHAR a, const CStringT<X>& b) noexcept {
    return b == a;
}

template <class X>
bool operator!=(const CStringT<X>& a, const CStringT<X>& b) noexcept {
    return !(a == b);
}
template <class X>
bool operator!=(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return !(a == b);
}
template <class X>
bool operator!=(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    return !(b == a);
}
template <class X>
bool operator!=(const CStringT<X>& a, typename CStringT<X>::XCHAR b) noexcept {
    return !(a == b);
}
template <class X>
bool operator!=(typename CStringT<X>::XCHAR a, const CStringT<X>& b) noexcept {
    return !(b == a);
}

// Ordering by unsigned code units, then by length (see CStringT::Compare).
template <class X>
bool operator<(const CStringT<X>& a, const CStringT<X>& b) {
    return a.Compare(b) < 0;
}
template <class X>
bool operator<(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return a.Compare(b) < 0;
}
template <class X>
bool operator<(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    return b.Compare(a) > 0;
}
template <class X>
bool operator<(const CStringT<X>& a, typename CStringT<X>::XCHAR b) {
    return CStringT<X>::CompareUnits(a.GetString(), a.GetLength(), &b, 1) < 0;
}
template <class X>
bool operator<(typename CStringT<X>::XCHAR a, const CStringT<X>& b) {
    return CStringT<X>::CompareUnits(&a, 1, b.GetString(), b.GetLength()) < 0;
}
template <class X>
bool operator>(const CStringT<X>& a, const CStringT<X>& b) {
    return b < a;
}
template <class X>
bool operator>(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return b < a;
}
template <class X>
bool operator>(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    return b < a;
}
template <class X>
bool operator<=(const CStringT<X>& a, const CStringT<X>& b) {
    return !(b < a);
}
template <class X>
bool operator<=(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return !(b < a);
}
template <class X>
bool operator<=(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    return !(b < a);
}
template <class X>
bool operator>=(const CStringT<X>& a, const CStringT<X>& b) {
    return !(a < b);
}
template <class X>
bool operator>=(const CStringT<X>& a, typename CStringT<X>::PCXSTR b) {
    return !(a < b);
}
template <class X>
bool operator>=(typename CStringT<X>::PCXSTR a, const CStringT<X>& b) {
    return !(a < b);
}
