// FindStringInFile: counts a text's occurrences in the lines of a file, logging each hit.
#include "common-win32/files.h"

#include "common-win32/cfile.h"
#include "common-win32/log.h"

#include <string>
#include <string_view>

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
        CStringA read;
        std::string lowered;
        while (input.ReadString(read)) {
            if (!text.matchable) continue;
            std::string_view line(read.GetString(), static_cast<std::size_t>(read.GetLength()));
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
