// The Microsoft C runtime's path splitter and joiner, with its conventions: a drive is two
// characters ending in a colon, either slash ends a directory, the last period after the
// directory starts the extension. No library logic here.
#include <winport/crt.h>

#include "core/fault.h"

#include <cerrno>
#include <cwchar>

namespace {

struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A buffer argument is valid when pointer and size agree: both given or both absent.
bool Agrees(const void* buffer, std::size_t size) { return (buffer == nullptr) == (size == 0); }

errno_t Fail(errno_t code) {
    errno = code;
    return code;
}

struct Output {
    wchar_t* buffer;
    std::size_t size;
    Span part;
};

}  // namespace

extern "C" errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, std::size_t driveSize, wchar_t* dir,
                                 std::size_t dirSize, wchar_t* fname, std::size_t fnameSize, wchar_t* ext,
                                 std::size_t extSize) {
    if (path == nullptr || !Agrees(drive, driveSize) || !Agrees(dir, dirSize) || !Agrees(fname, fnameSize) ||
        !Agrees(ext, extSize)) {
        return Fail(EINVAL);
    }
    const std::size_t length = std::wcslen(path);
    Span drivePart, dirPart, fnamePart, extPart;
    std::size_t pos = 0;
    if (length >= 2 && path[1] == L':') {
        drivePart = {0, 2};
        pos = 2;
    }
    std::size_t dirEnd = pos;
    for (std::size_t i = pos; i < length; ++i) {
        if (IsSeparator(path[i])) dirEnd = i + 1;
    }
    dirPart = {pos, dirEnd - pos};
    std::size_t extStart = length;
    for (std::size_t i = dirEnd; i < length; ++i) {
        if (path[i] == L'.') extStart = i;
    }
    fnamePart = {dirEnd, extStart - dirEnd};
    extPart = {extStart, length - extStart};

    Output outputs[] = {{drive, driveSize, drivePart}, {dir, dirSize, dirPart},
                        {fname, fnameSize, fnamePart}, {ext, extSize, extPart}};
    bool fits = !winport::detail::FaultPoint("_wsplitpath_s");
    for (const Output& o : outputs) {
        if (o.buffer != nullptr && o.size <= o.part.length) fits = false;
    }
    if (!fits) {
        // One part that does not fit empties every wanted part, so no caller sees half a split.
        for (const Output& o : outputs) {
            if (o.buffer != nullptr) o.buffer[0] = L'\0';
        }
        return Fail(ERANGE);
    }
    for (const Output& o : outputs) {
        if (o.buffer == nullptr) continue;
        std::wmemcpy(o.buffer, path + o.part.start, o.part.length);
        o.buffer[o.part.length] = L'\0';
    }
    return 0;
}

namespace {

// Appends characters while room for the terminator remains; remembers an overflow.
class BoundedWriter {
public:
    BoundedWriter(wchar_t* buffer, std::size_t size) : buffer_(buffer), size_(size) {}
    void Put(wchar_t c) {
        if (used_ + 1 >= size_) {
            overflow_ = true;
            return;
        }
        buffer_[used_++] = c;
    }
    void Put(const wchar_t* text) {
        for (; *text != L'\0' && !overflow_; ++text) Put(*text);
    }
    bool Finish() {
        buffer_[overflow_ ? 0 : used_] = L'\0';
        return !overflow_;
    }

private:
    wchar_t* buffer_;
    std::size_t size_;
    std::size_t used_ = 0;
    bool overflow_ = false;
};

}  // namespace

extern "C" errno_t _wmakepath_s(wchar_t* path, std::size_t size, const wchar_t* drive, const wchar_t* dir,
                                const wchar_t* fname, const wchar_t* ext) {
    if (path == nullptr || size == 0) return Fail(EINVAL);
    if (winport::detail::FaultPoint("_wmakepath_s")) {
        path[0] = L'\0';
        return Fail(ERANGE);
    }
    BoundedWriter out(path, size);
    // The drive contributes its letter only; the colon is always the joiner's own.
    if (drive != nullptr && drive[0] != L'\0') {
        out.Put(drive[0]);
        out.Put(L':');
    }
    if (dir != nullptr && dir[0] != L'\0') {
        out.Put(dir);
        if (!IsSeparator(dir[std::wcslen(dir) - 1])) out.Put(L'\\');
    }
    if (fname != nullptr) out.Put(fname);
    if (ext != nullptr && ext[0] != L'\0') {
        if (ext[0] != L'.') out.Put(L'.');
        out.Put(ext);
    }
    return out.Finish() ? 0 : Fail(ERANGE);
}
