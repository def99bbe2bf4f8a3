// The storage under CStringT: one pointer to the characters of a reference-counted block with
// a StringData header in front (see cstring_detail.h). Copies share the block; Reserve makes it
// the string's own before anything is written. Included by <common-win32/cstring.h>.
#pragma once

#include <common-win32/cstring_detail.h>

#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace cw32::detail {

// True while the process has only ever had one thread (the C library says so where it can; it
// stays false once a second thread has started). The reference count is then changed with
// plain loads and stores, as the standard library changes shared_ptr counts: a copy is one
// count up and one down, and the two locked instructions were most of its cost.
inline bool OneThread() noexcept {
#if __has_include(<sys/single_threaded.h>)
    return __libc_single_threaded != 0;
#else
    return false;
#endif
}

template <class XCHAR>
class StringStorage {
public:
    StringStorage() noexcept = default;
    StringStorage(const StringStorage& other) : chars_(Share(other.chars_)) {}
    StringStorage(StringStorage&& other) noexcept : chars_(std::exchange(other.chars_, nullptr)) {}
    StringStorage& operator=(const StringStorage& other) {
        XCHAR* shared = Share(other.chars_);  // before the release: `other` may be this
        Release(chars_);
        chars_ = shared;
        return *this;
    }
    StringStorage& operator=(StringStorage&& other) noexcept {
        if (this != &other) {
            Release(chars_);
            chars_ = std::exchange(other.chars_, nullptr);
        }
        return *this;
    }
    ~StringStorage() { Release(chars_); }

    // The longest string a block can hold: lengths are int, and the block's size must fit size_t.
    static constexpr int MaxLength() {
        constexpr std::size_t by_size = (SIZE_MAX - sizeof(StringData)) / sizeof(XCHAR) - 1;
        return by_size < std::size_t(INT_MAX) - 1 ? static_cast<int>(by_size) : INT_MAX - 1;
    }
    template <class Y>
    static int TextLength(const Y* text) {
        const std::size_t length = std::char_traits<Y>::length(text);
        if (length > std::size_t(MaxLength())) throw std::length_error("CStringT: string too long");
        return static_cast<int>(length);
    }
    static XCHAR* CopyUnits(XCHAR* to, const XCHAR* from, int count) {
        if (count <= 0) return to;
        std::char_traits<XCHAR>::copy(to, from, count);
        return to + count;
    }

    XCHAR* chars() const noexcept { return chars_; }  // null for the empty string
    int length() const noexcept { return chars_ ? Header()->length : 0; }
    int capacity() const noexcept { return chars_ ? Header()->capacity : 0; }
    bool shared() const noexcept { return chars_ && __atomic_load_n(&Header()->refs, __ATOMIC_ACQUIRE) > 1; }
    // Locked: GetBuffer handed the buffer out; until ReleaseBuffer it is never shared.
    bool locked() const noexcept { return chars_ && __atomic_load_n(&Header()->refs, __ATOMIC_ACQUIRE) < 0; }
    void Lock() noexcept { __atomic_store_n(&Header()->refs, -1, __ATOMIC_RELEASE); }
    void Unlock() noexcept { __atomic_store_n(&Header()->refs, 1, __ATOMIC_RELEASE); }
    // Whether `text` points into this string's own block.
    bool Aliases(const XCHAR* text) const noexcept {
        return chars_ && std::less_equal<const XCHAR*>()(chars_, text) &&
               std::less_equal<const XCHAR*>()(text, chars_ + Header()->capacity);
    }
    // Sets the length of an own block and writes its NUL.
    void SetLength(int length) noexcept {
        Header()->length = length;
        chars_[length] = 0;
    }
    void Clear() noexcept { Release(std::exchange(chars_, nullptr)); }

    // Makes the block this string's own with room for `capacity` characters and returns its
    // characters. The first `keep` characters (at most the current length) are preserved and
    // the length is cut to `keep`; the caller sets the final length.
    XCHAR* Reserve(int capacity, int keep) {
        if (chars_ == nullptr) return chars_ = Allocate(capacity);
        StringData* header = Header();
        keep = std::clamp(keep, 0, header->length);
        if (__atomic_load_n(&header->refs, __ATOMIC_ACQUIRE) > 1) {
            XCHAR* fresh = Allocate(std::max(capacity, keep));
            CopyUnits(fresh, chars_, keep);
            Release(std::exchange(chars_, fresh));
            SetLength(keep);
            return chars_;
        }
        if (header->capacity < capacity) {
            if (capacity > MaxLength()) throw std::length_error("CStringT: string too long");
            // Grow by half again, so that a run of appends costs linear time.
            const int grown = header->capacity < MaxLength() / 3 * 2 ? header->capacity + header->capacity / 2 : MaxLength();
            const int new_capacity = std::max(capacity, grown);
            void* block = ReallocateStringBlock(header, BlockBytes(new_capacity));
            if (block == nullptr) throw std::bad_alloc();
            header = static_cast<StringData*>(block);
            header->capacity = new_capacity;
            chars_ = reinterpret_cast<XCHAR*>(header + 1);
        }
        if (keep < header->length) SetLength(keep);
        return chars_;
    }

private:
    static std::size_t BlockBytes(int capacity) {
        return sizeof(StringData) + (std::size_t(capacity) + 1) * sizeof(XCHAR);
    }
    static StringData* HeaderOf(XCHAR* chars) noexcept { return reinterpret_cast<StringData*>(chars) - 1; }
    StringData* Header() const noexcept { return HeaderOf(chars_); }

    // A new unshared block with room for `capacity` characters, holding the empty text.
    static XCHAR* Allocate(int capacity) {
        if (capacity < 0 || capacity > MaxLength()) throw std::length_error("CStringT: string too long");
        void* block = AllocateStringBlock(BlockBytes(capacity));
        if (block == nullptr) throw std::bad_alloc();
        auto* header = static_cast<StringData*>(block);
        header->refs = 1;
        header->length = 0;
        header->capacity = capacity;
        header->reserved = 0;
        XCHAR* chars = reinterpret_cast<XCHAR*>(header + 1);
        chars[0] = 0;
        return chars;
    }
    static void Release(XCHAR* chars) noexcept {
        if (chars == nullptr) return;
        StringData* header = HeaderOf(chars);
        // Sole owner (1), or the buffer is out (-1): nobody else can be holding the block.
        if (OneThread()) {
            const int refs = __atomic_load_n(&header->refs, __ATOMIC_RELAXED);
            if (refs <= 1) FreeStringBlock(header);
            else __atomic_store_n(&header->refs, refs - 1, __ATOMIC_RELAXED);
        } else if (__atomic_load_n(&header->refs, __ATOMIC_ACQUIRE) <= 1 ||
                   __atomic_fetch_sub(&header->refs, 1, __ATOMIC_ACQ_REL) == 1) {
            FreeStringBlock(header);
        }
    }
    static XCHAR* Share(XCHAR* chars) {
        if (chars == nullptr) return nullptr;
        StringData* header = HeaderOf(chars);
        const int refs = __atomic_load_n(&header->refs, OneThread() ? __ATOMIC_RELAXED : __ATOMIC_ACQUIRE);
        if (refs < 0) {  // buffer is out: copy the text
            XCHAR* copy = Allocate(header->length);
            CopyUnits(copy, chars, header->length);
            HeaderOf(copy)->length = header->length;
            copy[header->length] = 0;
            return copy;
        }
        if (OneThread()) __atomic_store_n(&header->refs, refs + 1, __ATOMIC_RELAXED);
        else __atomic_fetch_add(&header->refs, 1, __ATOMIC_RELAXED);
        return chars;
    }

    XCHAR* chars_ = nullptr;
};

}  // namespace cw32::detail
