// RunRedistProgram: a child process with its output logged while it runs.
#include "common-win32/process.h"

#include "common-win32/log.h"
#include "process/pair_list.h"
#include "process/pipe_reader.h"
#include "support/unique_handle.h"

namespace {

using cw32::UniqueKernelHandle;

constexpr DWORD kPollMilliseconds = 100;

// The temporary variable of one run, put back on every way out. The normal path restores
// explicitly, so that an exception from the host's logger reaches the caller; when the run is
// already leaving by an exception, the restore still happens and its own log failure is dropped.
class EnvironmentRestore {
public:
    EnvironmentRestore(const boost::shared_ptr<ILogger>& logger, const CString& name, const CString& value)
        : m_logger(logger), m_name(name) {
        m_active = !name.IsEmpty() && !value.IsEmpty();
        if (m_active) m_previous = temporarySetEnvironmentVariable(logger, name, value, m_existed);
    }
    ~EnvironmentRestore() {
        try {
            Restore();
        } catch (...) {
        }
    }
    EnvironmentRestore(const EnvironmentRestore&) = delete;
    EnvironmentRestore& operator=(const EnvironmentRestore&) = delete;

    void Restore() {
        if (!m_active) return;
        m_active = false;
        restoreEnvironmentVariable(m_logger, m_name, m_previous, m_existed);
    }

private:
    boost::shared_ptr<ILogger> m_logger;
    CString m_name;
    CString m_previous;
    bool m_existed = false;
    bool m_active = false;
};

// True once the child has ended, with its exit code. 259 (STILL_ACTIVE) is also a real exit
// code, so a 259 is only believed to mean "running" while the process has not ended either;
// that way the wait ends for a child that exits with 259 too. A child that ends between the
// two looks has its code read again: the 259 read before was its running state, not its exit
// code. When the code cannot be read this pass learns nothing and the wait goes on.
bool ChildEnded(HANDLE process, DWORD* exit_code) {
    DWORD code = STILL_ACTIVE;
    if (!GetExitCodeProcess(process, &code)) return false;
    *exit_code = code;
    if (code != STILL_ACTIVE) return true;
    if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process, exit_code) != FALSE;
}

void LogClosingLine(const boost::shared_ptr<ILogger>& logger, DWORD exit_code, const wchar_t* mask_text,
                    bool mask_is_pair_list) {
    CString line;
    line.Format(L"RunRedistProgram: return value %d", static_cast<int>(exit_code));
    if (mask_text != nullptr) {
        if (mask_is_pair_list) {
            cw32::process::ReplacePairs(line, mask_text);
        } else if (*mask_text != L'\0') {
            line.Replace(mask_text, L"*");
        }
    }
    LogMessage(logger, line);
}

}  // namespace

DWORD RunRedistProgram(boost::shared_ptr<ILogger> logger, wchar_t* commandLine, int /*unused*/, bool hideWindow,
                       const wchar_t* workingDirectory, unsigned long* exitCode, const wchar_t* maskText,
                       bool maskIsPairList, CString* output, CString envName, CString envValue, bool noWait) {
    // sizeof is 68 on 32-bit Windows, the library's first platform; 64-bit builds need their own.
    STARTUPINFOW startup{};
    startup.cb = sizeof(STARTUPINFOW);
    PROCESS_INFORMATION child{};
    if (hideWindow) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }

    EnvironmentRestore environment(logger, envName, envValue);

    HANDLE write_handle = INVALID_HANDLE_VALUE;
    HANDLE read_handle = INVALID_HANDLE_VALUE;
    cw32::process::SetupPipeAndReader(&write_handle, &read_handle, logger);
    UniqueKernelHandle read_end(read_handle);
    UniqueKernelHandle child_output;
    UniqueKernelHandle child_error;
    if (!cw32::KernelHandleTraits::IsValid(write_handle)) {
        LogMessage(logger, L"RunRedistProgram: SetupPipeAndReader failed to get a valid writing pipe.");
    } else {
        UniqueKernelHandle write_end(write_handle);
        startup.dwFlags |= STARTF_USESTDHANDLES;
        HANDLE self = GetCurrentProcess();
        HANDLE duplicate = nullptr;
        if (DuplicateHandle(self, write_end.get(), self, &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS))
            child_output.reset(duplicate);
        duplicate = nullptr;
        if (DuplicateHandle(self, write_end.get(), self, &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS))
            child_error.reset(duplicate);
        startup.hStdOutput = child_output.get();
        startup.hStdError = child_error.get();
        startup.hStdInput = nullptr;
    }  // the pipe's own write end is closed here: only the child's copies keep the pipe open

    const BOOL started = CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        workingDirectory, &startup, &child);
    const DWORD start_error = started ? ERROR_SUCCESS : GetLastError();
    // The child has its copies now (or none, when it did not start): ours go, so that the pipe
    // ends when the child's output does.
    child_output.reset();
    child_error.reset();
    startup.hStdOutput = nullptr;
    startup.hStdError = nullptr;
    UniqueKernelHandle process(started ? child.hProcess : nullptr);
    UniqueKernelHandle thread(started ? child.hThread : nullptr);

    if (!started) {
        CString line;
        line.Format(L"RunRedistProgram: failed: %d", static_cast<int>(start_error));
        LogMessage(logger, line);
    } else {
        // In no-wait mode the child is still running: it has no exit code yet, and 259
        // (STILL_ACTIVE) is the honest report of that.
        DWORD exit_code = STILL_ACTIVE;
        if (noWait) {
            LogMessage(logger, L"RunRedistProgram: launch process and return without waiting");
        } else {
            char buffer[cw32::process::kPipeReadBytes + 1];
            for (;;) {
                cw32::process::ReadPipeOutput(logger, read_end.get(), buffer, cw32::process::kPipeReadBytes, output);
                if (ChildEnded(process.get(), &exit_code)) break;
                // The pause belongs between two looks at the child: once it has ended there is
                // nothing left to wait for, so the call returns at once.
                Sleep(kPollMilliseconds);
            }
        }
        LogClosingLine(logger, exit_code, maskText, maskIsPairList);
        if (exitCode != nullptr) *exitCode = exit_code;
    }

    read_end.reset();
    process.reset();
    thread.reset();
    environment.Restore();
    return 0;
}
