// Files: variable replacement inside text files, string search in files, and copying and
// deleting whole directory trees. Every line they log is stamped, at level 2.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/host.h>

// Rewrites `fileName` in UTF-8 with CR LF line ends, replacing in every line each name of
// the variables list («name="value",...») by its value. `variableFlags` holds one number per
// variable: 0x10 hides the value, 0x20 the name in the log (unless logHiddenValues).
// Failures are logged, never raised; a failure leaves the file as it was.
CW32_API void ReplaceFileVariables(boost::shared_ptr<IActionContext> context, const CString& fileName,
                                   CString variables, CString variableFlags, bool unescape, bool logHiddenValues);

// Search flags of FindStringInFile.
constexpr int FIND_STRING_IGNORE_CASE = 0x1;  // the text and each line are lower-cased first
constexpr int FIND_STRING_FIRST_ONLY = 0x2;   // stop at the first occurrence and return 1

// Counts the non-overlapping occurrences of `searchText` in the lines of `fileName`, logging
// each. Returns -1 when the file cannot be read, 0 at once for an empty search text. With
// FIND_STRING_IGNORE_CASE the caller's text is lower-cased in place.
CW32_API int FindStringInFile(boost::shared_ptr<IActionContext> context, const CString& fileName,
                              CString& searchText, int searchFlags);

// Copies a file or a whole tree with the shell, silently, overwriting without asking. True
// exactly when the shell reported success.
CW32_API bool FileRecursiveCopy(boost::shared_ptr<ILogger> logger, CString source, CString destination);

// Empties `directory` depth-first (clearing read-only files) and removes it; links to folders
// are removed as links, never followed. Failures are logged and the deletion goes on.
CW32_API void DeleteAllFilesAndDirectories(boost::shared_ptr<ILogger> logger, const wchar_t* directory);
