// FindStringInFile: counts a text's occurrences in the lines of a file, logging each hit.
#include "common-win32/files.h"

#include "common-win32/cfile.h"
#include "common-win32/log.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Lower-cases A to Z only, as the C runtime does in its default locale: the lines are 8-bit
// text, and a byte above 0x7F has no case there.
template <class Char>
Char LowerAscii(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

void LowerAscii(CString& text) {
    const int length = text.GetLength();
    wchar_t* chars = text.GetBuffer(length);
    for (int i = 0; i < length; ++i) chars[i] = LowerAscii(chars[i]);
    text.ReleaseBuffer(length);
}

// A line is 8-bit text, each byte the character of the same value, so the search runs on the
// bytes themselves. A text holding a character above 0xFF can match no line: `matchable`
// says so, and the file is still read to the end, as a read failure must still be reported.
struct ByteText {
    std::string bytes;
    bool matchable = true;
};

ByteText ToBytes(const CString& text) {
    ByteText out;
    for (int i = 0; i < text.GetLength(); ++i) {
        const auto c = static_cast<unsigned long>(text.GetAt(i));
        if (c > 0xFF) out.matchable = false;
        out.bytes += static_cast<char>(c & 0xFF);
    }
    return out;
}

// The lines CStdioFile::ReadString gives (LF ends a line and a CR right before it is dropped;
// a last line without LF is a line, its CR kept), read from the same CStdioFile in large
// blocks and handed out in place instead of copied one by one. Searching a large file spent
// most of its time copying lines.
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
            if (at_end_) {
                next_ = end_;
                line = std::string_view(begin, available);
                return available > 0;
            }
            // The unfinished line moves to the front; a line longer than the buffer grows it.
            std::memmove(buffer_.data(), begin, available);
            next_ = 0;
            end_ = available;
            if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
            const UINT read = file_.Read(buffer_.data() + end_, static_cast<UINT>(buffer_.size() - end_));
            at_end_ = read == 0;
            end_ += read;
        }
    }

private:
    static constexpr std::size_t kBlockBytes = 1 << 20;
    CStdioFile& file_;
    std::vector<char> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};

}  // namespace

int FindStringInFile(boost::shared_ptr<IActionContext> context, const CString& fileName, CString& searchText,
                     int searchFlags) {
    // An empty text would match at every position without moving on; there is nothing to count.
    if (searchText.IsEmpty()) return 0;
    const boost::shared_ptr<ILogger> logger = context;
    const bool ignore_case = (searchFlags & FIND_STRING_IGNORE_CASE) != 0;
    const bool first_only = (searchFlags & FIND_STRING_FIRST_ONLY) != 0;
    try {
        CStdioFile input(fileName.GetString(), CFile::modeRead);
        if (ignore_case) LowerAscii(searchText);
        const ByteText text = ToBytes(searchText);
        CString found;
        found.Format(L"FindStringInFile: found string \"%s\" in file \"%s\"", searchText.GetString(),
                     fileName.GetString());
        int count = 0;
        BlockLineReader lines(input);
        std::string_view line;
        std::string lowered;
        while (lines.Next(line)) {
            if (!text.matchable) continue;
            if (ignore_case) {
                lowered.assign(line);
                for (char& c : lowered) c = LowerAscii(c);
                line = lowered;
            }
            // Each hit is counted, and the search goes on right after it: no overlaps.
            for (std::size_t at = line.find(text.bytes); at != std::string_view::npos;
                 at = line.find(text.bytes, at + text.bytes.size())) {
                LogMessage(logger, found);
                ++count;
                if (first_only) return 1;
            }
        }
        input.Close();
        return count;
    } catch (CFileException* error) {
        error->Delete();
        CString message;
        message.Format(L"FindStringInFile: error reading from '%s'", fileName.GetString());
        LogMessage(logger, message);
        return -1;
    }
}
