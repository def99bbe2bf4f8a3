// Child processes and the environment they inherit: the redistributable runner and the
// temporary environment variable pair.
#pragma once

#include <common-win32/cstring.h>
#include <common-win32/export.h>
#include <common-win32/host.h>
#include <common-win32/platform.h>

// Runs `commandLine` as a child process with its standard output and error led through a pipe
// into the log (one Write per read of at most 1024 bytes) and appended to `*output`, waits for
// it by polling every 100 ms and logs "RunRedistProgram: return value %d" with the exit code,
// masked by `maskText` (one text replaced by "*", or with `maskIsPairList` a "|"-separated list
// of old and new texts). `envName`=`envValue` is set for the child when both are non-empty and
// put back afterwards. With `noWait` it returns right after the start, reporting 259
// (STILL_ACTIVE). A start failure is logged and leaves `*exitCode` untouched. Always returns 0.
CW32_API DWORD RunRedistProgram(boost::shared_ptr<ILogger> logger, wchar_t* commandLine, int unused,
                                bool hideWindow, const wchar_t* workingDirectory, unsigned long* exitCode,
                                const wchar_t* maskText, bool maskIsPairList, CString* output, CString envName,
                                CString envValue, bool noWait);

// Sets `name` to `value` in this process's environment. Returns the previous value when the
// variable existed and the new value was set, else an empty text; `existed` tells whether
// there was a previous value (left as the caller set it when that could not be found out).
CW32_API CString temporarySetEnvironmentVariable(boost::shared_ptr<ILogger> logger, CString name, CString value,
                                                 bool& existed);
// Puts back what temporarySetEnvironmentVariable changed: the old value, or no variable at
// all. False only when an existing value could not be put back.
CW32_API bool restoreEnvironmentVariable(boost::shared_ptr<ILogger> logger, CString name, CString oldValue,
                                         bool existed);
