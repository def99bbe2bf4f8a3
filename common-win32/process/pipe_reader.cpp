// The runner's output pipe.
#include "process/pipe_reader.h"

#include "common-win32/msi_log_message.h"

#include <cstring>
#include <string>

namespace cw32::process {
namespace {

// One chunk of the child's bytes as wide text, up to its first zero byte. The child writes in
// the thread's 8-bit code page (UTF-8 on POSIX); a character split between two reads arrives
// as two undecodable halves, since each read is converted by itself. A code page never gives
// more characters than bytes, so one conversion into room for `count` characters suffices.
// `text` is reused from chunk to chunk: growing it back to full size clears only the few
// characters the last chunk did not use.
void DecodeChunk(const char* bytes, DWORD count, std::wstring& text) {
    const int length = static_cast<int>(std::strlen(bytes));
    text.resize(count + 1);
    const int written = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, length, &text[0], static_cast<int>(text.size()));
    text.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
}

}  // namespace

HANDLE SetupPipeAndReader(HANDLE* write_end, HANDLE* read_end, boost::shared_ptr<ILogger> logger) {
    *write_end = INVALID_HANDLE_VALUE;
    *read_end = INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(SECURITY_ATTRIBUTES);
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;
    HANDLE read_handle = INVALID_HANDLE_VALUE;
    HANDLE write_handle = INVALID_HANDLE_VALUE;
    if (CreatePipe(&read_handle, &write_handle, &inheritable, 0)) {
        *read_end = read_handle;
        *write_end = write_handle;
    } else {
        const DWORD error = GetLastError();
        CMsiLogMessage log(logger, L"[SetupPipeAndReader] ");
        log.LogError(L"Failed to create Pipe.", error);
    }
    return *write_end;
}

void ReadPipeOutput(boost::shared_ptr<ILogger> logger, HANDLE read_end, char* buffer, DWORD size, CString* output) {
    if (read_end == nullptr) return;
    DWORD waiting = 0;
    if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &waiting, nullptr)) return;
    std::wstring chunk;
    while (waiting > 0) {
        buffer[0] = '\0';
        DWORD read = 0;
        if (!ReadFile(read_end, buffer, size, &read, nullptr)) return;
        buffer[read] = '\0';  // the buffer holds size + 1 bytes
        if (read > 0) {
            DecodeChunk(buffer, read, chunk);
            logger->Write(LOG_LEVEL_INFO, chunk);
            // The same conversion, done once for both.
            if (output != nullptr) output->Append(chunk.data(), static_cast<int>(chunk.size()));
        }
        if (!PeekNamedPipe(read_end, nullptr, 0, nullptr, &waiting, nullptr)) return;
    }
}

}  // namespace cw32::process
