// FindStringInFile: counts a text's occurrences in the lines of a file, logging each hit.
#include "common-win32/files.h"

#include "common-win32/cfile.h"
#include "common-win32/log.h"

namespace {

// Lower-cases A to Z only, as the C runtime does in its default locale: the lines are 8-bit
// text, and a byte above 0x7F has no case there.
void LowerAscii(CString& text) {
    const int length = text.GetLength();
    int first = 0;
    while (first < length && !(text.GetAt(first) >= L'A' && text.GetAt(first) <= L'Z')) ++first;
    if (first == length) return;  // nothing to change: the string keeps its shared buffer
    wchar_t* chars = text.GetBuffer(length);
    for (int i = first; i < length; ++i)
        if (chars[i] >= L'A' && chars[i] <= L'Z') chars[i] = static_cast<wchar_t>(chars[i] - L'A' + L'a');
    text.ReleaseBuffer(length);
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
        CString found;
        found.Format(L"FindStringInFile: found string \"%s\" in file \"%s\"", searchText.GetString(),
                     fileName.GetString());
        const int text_length = searchText.GetLength();
        int count = 0;
        CString line;
        while (input.ReadString(line)) {
            if (ignore_case) LowerAscii(line);
            for (int at = line.Find(searchText.GetString()); at >= 0; at = line.Find(searchText.GetString(), at + text_length)) {
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
