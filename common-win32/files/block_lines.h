// The lines CStdioFile::ReadString gives (LF ends a line and a CR right before it is dropped;
// a last line without LF is a line, its CR kept), read from the same CStdioFile in large
// blocks and handed out in place instead of copied one by one. Reading a large file a line at
// a time into a CString spent most of its time copying and widening lines.
#pragma once

#include <common-win32/cfile.h>

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

namespace cw32::files {

class BlockLineReader {
public:
    explicit BlockLineReader(CStdioFile& file) : file_(file), buffer_(kBlockBytes) {}

    // The next line; false at the end of the file. The view lasts until the next call.
    bool Next(std::string_view& line) {
        for (;;) {
            const char* begin = buffer_.data() + next_;
            const std::size_t available = end_ - next_;
            if (const void* lf = std::memchr(begin, '\n', available)) {
                std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
                next_ += length + 1;
                if (length > 0 && begin[length - 1] == '\r') --length;
                line = std::string_view(begin, length);
                return true;
            }
            if (at_end_) return TakeLast(line);
            Refill();
        }
    }

    // All the whole lines the buffer holds, with their line ends as read (each ends with its
    // LF), or at the end of the file the last line without one; false when nothing is left.
    // The bytes may be changed in place; they last until the next call.
    bool NextLines(char*& lines, std::size_t& size) {
        for (;;) {
            char* begin = buffer_.data() + next_;
            const std::size_t available = end_ - next_;
            if (const std::size_t after = AfterLastLineFeed(begin, available)) {
                size = after;
                lines = begin;
                next_ += size;
                return true;
            }
            if (at_end_) {
                std::string_view last;
                if (!TakeLast(last)) return false;
                lines = begin;
                size = last.size();
                return true;
            }
            Refill();
        }
    }

private:
    static constexpr std::size_t kBlockBytes = 1 << 20;

    // Where the bytes after the last LF begin; 0 without one. Lines are short, so the search
    // from the end is; memrchr is not on every platform.
    static std::size_t AfterLastLineFeed(const char* bytes, std::size_t size) {
        while (size > 0 && bytes[size - 1] != '\n') --size;
        return size;
    }

    bool TakeLast(std::string_view& line) {
        const std::size_t available = end_ - next_;
        line = std::string_view(buffer_.data() + next_, available);
        next_ = end_;
        return available > 0;
    }

    // The unfinished line moves to the front; a line longer than the buffer grows it.
    void Refill() {
        const std::size_t available = end_ - next_;
        std::memmove(buffer_.data(), buffer_.data() + next_, available);
        next_ = 0;
        end_ = available;
        if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
        const UINT read = file_.Read(buffer_.data() + end_, static_cast<UINT>(buffer_.size() - end_));
        at_end_ = read == 0;
        end_ += read;
    }

    CStdioFile& file_;
    std::vector<char> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};

}  // namespace cw32::files
