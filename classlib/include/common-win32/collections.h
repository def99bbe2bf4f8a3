// CStringArray and CWordArray: ordered, growable arrays with the member names of the Windows
// class library (registry multi-strings, version components).
//
// Indexes are INT_PTR-sized (std::intptr_t, the same type on Windows). Element access, SetAt and
// RemoveAt outside the array, and negative sizes or counts, throw std::out_of_range; the check
// is inline, so the exception is raised in the caller's own module. InsertAt and SetAtGrow past
// the end grow the array, filling the gap with empty strings or zeros.
#pragma once

#include <common-win32/cstring.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace cw32::detail {

template <class T>
class ArrayOf {
public:
    typedef T value_type;
    typedef typename std::vector<T>::iterator iterator;
    typedef typename std::vector<T>::const_iterator const_iterator;

    std::intptr_t GetSize() const noexcept { return static_cast<std::intptr_t>(items_.size()); }
    std::intptr_t GetCount() const noexcept { return GetSize(); }
    std::intptr_t GetUpperBound() const noexcept { return GetSize() - 1; }
    bool IsEmpty() const noexcept { return items_.empty(); }

    // `grow_by` is accepted for compatibility; the array grows geometrically whatever it says.
    void SetSize(std::intptr_t new_size, std::intptr_t grow_by = -1) {
        (void)grow_by;
        if (new_size < 0) throw std::out_of_range("array: negative size");
        items_.resize(static_cast<std::size_t>(new_size));
    }
    void FreeExtra() { items_.shrink_to_fit(); }
    void RemoveAll() noexcept { items_.clear(); }

    const T& GetAt(std::intptr_t index) const { return items_[Checked(index)]; }
    T& GetAt(std::intptr_t index) { return items_[Checked(index)]; }
    T& ElementAt(std::intptr_t index) { return items_[Checked(index)]; }
    const T& operator[](std::intptr_t index) const { return GetAt(index); }
    T& operator[](std::intptr_t index) { return GetAt(index); }
    void SetAt(std::intptr_t index, const T& value) { items_[Checked(index)] = value; }
    void SetAtGrow(std::intptr_t index, const T& value) {
        if (index < 0) throw std::out_of_range("array: negative index");
        if (index >= GetSize()) SetSize(index + 1);
        items_[static_cast<std::size_t>(index)] = value;
    }
    const T* GetData() const noexcept { return items_.data(); }
    T* GetData() noexcept { return items_.data(); }

    // Returns the index of the new element.
    std::intptr_t Add(const T& value) {
        items_.push_back(value);
        return GetUpperBound();
    }
    // Appends a copy of `source` (which may be this array); returns the old size.
    std::intptr_t Append(const ArrayOf& source) {
        const std::intptr_t old_size = GetSize();
        if (&source == this) {
            const std::vector<T> copy(items_);
            items_.insert(items_.end(), copy.begin(), copy.end());
        } else {
            items_.insert(items_.end(), source.items_.begin(), source.items_.end());
        }
        return old_size;
    }
    void Copy(const ArrayOf& source) {
        if (&source != this) items_ = source.items_;
    }
    void InsertAt(std::intptr_t index, const T& value, std::intptr_t count = 1) {
        if (index < 0 || count < 0) throw std::out_of_range("array: negative index or count");
        if (index > GetSize()) SetSize(index);
        const T copy(value);  // `value` may be an element of this array
        items_.insert(items_.begin() + index, static_cast<std::size_t>(count), copy);
    }
    void InsertAt(std::intptr_t start, const ArrayOf* source) {
        if (source == nullptr || source->IsEmpty()) return;
        if (start < 0) throw std::out_of_range("array: negative index");
        if (start > GetSize()) SetSize(start);
        const std::vector<T> copy(source->items_);
        items_.insert(items_.begin() + start, copy.begin(), copy.end());
    }
    void RemoveAt(std::intptr_t index, std::intptr_t count = 1) {
        if (index < 0 || count < 0 || count > GetSize() - index)
            throw std::out_of_range("array: RemoveAt outside the array");
        items_.erase(items_.begin() + index, items_.begin() + index + count);
    }

    iterator begin() noexcept { return items_.begin(); }
    iterator end() noexcept { return items_.end(); }
    const_iterator begin() const noexcept { return items_.begin(); }
    const_iterator end() const noexcept { return items_.end(); }

private:
    std::size_t Checked(std::intptr_t index) const {
        if (index < 0 || index >= GetSize()) throw std::out_of_range("array: index outside the array");
        return static_cast<std::size_t>(index);
    }

    std::vector<T> items_;
};

}  // namespace cw32::detail

class CStringArray : public cw32::detail::ArrayOf<CString> {};

// 16-bit unsigned values (the Windows WORD).
class CWordArray : public cw32::detail::ArrayOf<std::uint16_t> {};
