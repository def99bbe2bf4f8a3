// Pieces of the format engine (format.cpp): its output buffer and the text of floating values.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <string>
#include <vector>

namespace cw32::detail {

// The text being built; on the stack while it is short.
template <class XCHAR>
class OutputBuffer {
public:
    OutputBuffer() = default;
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void Put(XCHAR c) { *Extend(1) = c; }
    void Put(const XCHAR* text, std::size_t count) {
        if (count > 0) std::char_traits<XCHAR>::copy(Extend(count), text, count);
    }
    void Fill(XCHAR c, std::size_t count) {
        if (count > 0) std::char_traits<XCHAR>::assign(Extend(count), count, c);
    }
    void PutAscii(const char* text, std::size_t count) {
        XCHAR* to = Extend(count);
        for (std::size_t i = 0; i < count; ++i) to[i] = static_cast<XCHAR>(text[i]);
    }
    const XCHAR* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    XCHAR* Extend(std::size_t count) {
        if (size_ + count > capacity_) Grow(size_ + count);
        XCHAR* at = data_ + size_;
        size_ += count;
        return at;
    }
    __attribute__((noinline)) void Grow(std::size_t needed) {
        capacity_ = std::max(needed, capacity_ * 2);
        std::vector<XCHAR> grown(capacity_);
        std::char_traits<XCHAR>::copy(grown.data(), data_, size_);
        heap_.swap(grown);
        data_ = heap_.data();
    }

    XCHAR local_[512];
    std::vector<XCHAR> heap_;
    XCHAR* data_ = local_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 512;
};

// `value` in the form `how` with `precision` digits (the shortest exact form when negative), as
// ASCII. to_chars gives the same digits on every platform.
inline std::string FloatText(double value, std::chars_format how, int precision) {
    std::string text(330 + std::max(precision, 0), '\0');
    auto result = precision < 0 ? std::to_chars(text.data(), text.data() + text.size(), value, how)
                                : std::to_chars(text.data(), text.data() + text.size(), value, how, precision);
    text.resize(result.ptr - text.data());
    return text;
}

// %g: the shorter of %e and %f for the precision, trailing zeros removed unless '#'.
inline std::string GeneralText(double magnitude, int precision, bool alt) {
    const int digits = precision < 0 ? 6 : precision == 0 ? 1 : precision;
    std::string text = FloatText(magnitude, std::chars_format::scientific, digits - 1);
    const int exponent = magnitude == 0 ? 0 : std::stoi(text.substr(text.find('e') + 1));
    if (exponent >= -4 && exponent < digits) text = FloatText(magnitude, std::chars_format::fixed, digits - 1 - exponent);
    std::size_t mantissa_end = text.find('e');
    if (mantissa_end == std::string::npos) mantissa_end = text.size();
    const std::size_t point = text.find('.');
    if (alt) {
        if (point == std::string::npos) text.insert(mantissa_end, 1, '.');
    } else if (point != std::string::npos) {
        std::size_t keep = mantissa_end;
        while (keep > point + 1 && text[keep - 1] == '0') --keep;
        if (keep == point + 1) keep = point;
        text.erase(keep, mantissa_end - keep);
    }
    return text;
}

}  // namespace cw32::detail
