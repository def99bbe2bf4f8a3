// FindStringInFile: counts a text's occurrences in the lines of a file, logging each hit.
#include "common-win32/files.h"

#include "common-win32/cfile.h"
#include "common-win32/log.h"
#include "files/block_lines.h"

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

// Lower-cases A to Z in place, byte by byte (line ends are no letters, so lines stay as they were).
void LowerAscii(char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) bytes[i] = LowerAscii(bytes[i]);
}

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
        cw32::files::BlockLineReader lines(input);
        // Each hit is counted, and the search goes on right after it: no overlaps.
        const auto search = [&](std::string_view line) {
            for (std::size_t at = line.find(text.bytes); at != std::string_view::npos;
                 at = line.find(text.bytes, at + text.bytes.size())) {
                LogMessage(logger, found);
                ++count;
                if (first_only) return false;
            }
            return true;
        };
        if (text.bytes.find_first_of("\r\n") == std::string::npos) {
            // A text without CR or LF cannot reach across a line end, nor take in the CR a line
            // loses: its hits in whole blocks of lines are exactly its hits in the lines, and
            // one search through a block costs far less than one per line.
            char* block = nullptr;
            std::size_t size = 0;
            while (lines.NextLines(block, size)) {
                if (!text.matchable) continue;
                if (ignore_case) LowerAscii(block, size);
                if (!search(std::string_view(block, size))) return 1;
            }
        } else {
            std::string_view line;
            std::string lowered;
            while (lines.Next(line)) {
                if (!text.matchable) continue;
                if (ignore_case) {
                    lowered.assign(line);
                    LowerAscii(lowered.data(), lowered.size());
                    line = lowered;
                }
                if (!search(line)) return 1;
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
