// Splitting and joining paths with the C runtime, the system's short and temporary paths, and
// the plain-character test for installation paths.
#include "common-win32/paths.h"

#include "common-win32/platform.h"

#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

int TextLength(const wchar_t* text) { return text != nullptr ? static_cast<int>(std::wcslen(text)) : 0; }

// A wanted part gets a buffer as long as the whole path, so no part is ever cut.
wchar_t* PartBuffer(CString* part, int length) { return part != nullptr ? part->GetBuffer(length) : nullptr; }

void ReleasePart(CString* part) {
    if (part != nullptr) part->ReleaseBuffer();
}

}  // namespace

void mySplitPath(const wchar_t* path, CString* drive, CString* directory, CString* fileName, CString* extension) {
    if (path == nullptr) path = L"";
    const int length = TextLength(path);
    const std::size_t size = static_cast<std::size_t>(length) + 1;
    wchar_t* driveBuffer = PartBuffer(drive, length);
    wchar_t* directoryBuffer = PartBuffer(directory, length);
    wchar_t* fileNameBuffer = PartBuffer(fileName, length);
    wchar_t* extensionBuffer = PartBuffer(extension, length);
    // Only a failing runtime can refuse these sizes; it then empties every part it was given.
    _wsplitpath_s(path, driveBuffer, drive ? size : 0, directoryBuffer, directory ? size : 0, fileNameBuffer,
                  fileName ? size : 0, extensionBuffer, extension ? size : 0);
    ReleasePart(drive);
    ReleasePart(directory);
    ReleasePart(fileName);
    ReleasePart(extension);
}

void myMakePath(CString& out, const wchar_t* drive, const wchar_t* directory, const wchar_t* fileName,
                const wchar_t* extension) {
    // Ten places cover what the joiner adds (colon, backslash, period) and the terminator.
    const int capacity =
        10 + TextLength(drive) + TextLength(directory) + TextLength(fileName) + TextLength(extension);
    wchar_t* buffer = out.GetBuffer(capacity);
    buffer[0] = L'\0';
    _wmakepath_s(buffer, static_cast<std::size_t>(capacity), drive, directory, fileName, extension);
    out.ReleaseBuffer();
}

CString myGetShortPath(CString path, int& count) {
    // Zero-filled: when the short form needs more than these 260 places the system writes
    // nothing, and the result is then empty. A count above 260 tells the caller so; an empty
    // text cannot be taken for a usable path by a caller that forgets to look.
    wchar_t buffer[MAX_PATH] = {};
    count = static_cast<int>(GetShortPathNameW(path.GetString(), buffer, MAX_PATH));
    if (count == 0) return path;
    return CString(buffer);
}

CString myGetTempPath() {
    const DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return CString();
    const DWORD capacity = 2 * needed + 2;
    std::vector<wchar_t> buffer(capacity, L'\0');
    const DWORD written = GetTempPathW(capacity, buffer.data());
    if (written == 0 || written >= capacity) return CString();
    return CString(buffer.data(), static_cast<int>(written));
}

bool PathIsAscii(const wchar_t* path) {
    if (path == nullptr || path[0] == L'\0') return false;
    static const wchar_t kAllowed[] = L"abcdefghijklmnopqrstuvwxyz0123456789_-.\\:() ";
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
        wchar_t c = *p;
        // The runtime's case mapping in its C locale lowers A-Z and nothing else. Doing that here
        // keeps a host's locale from turning, say, the Kelvin sign into an allowed "k".
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (std::wcschr(kAllowed, c) == nullptr) return false;
    }
    return true;
}
