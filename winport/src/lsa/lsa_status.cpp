// POSIX emulation of LsaNtStatusToWinError: the system's own translation for the statuses the
// policy calls answer. Anything else has no Windows error, which Windows reports as
// ERROR_MR_MID_NOT_FOUND.
#include <winport/errors.h>
#include <winport/lsa.h>

#include "lsa/lsa_status.h"

#include <iterator>

namespace winport::detail::lsa {
namespace {

struct Translation {
    NTSTATUS status;
    DWORD error;
};

// One error may stand for several statuses: the first one listed is the one a failure that
// arrives as that error is reported with.
constexpr Translation kTable[] = {
    {STATUS_SUCCESS, ERROR_SUCCESS},
    {STATUS_SOME_NOT_MAPPED, ERROR_SOME_NOT_MAPPED},
    {STATUS_NO_MORE_ENTRIES, ERROR_NO_MORE_ITEMS},
    {STATUS_UNSUCCESSFUL, ERROR_GEN_FAILURE},
    {STATUS_NOT_IMPLEMENTED, ERROR_INVALID_FUNCTION},
    {STATUS_INVALID_HANDLE, ERROR_INVALID_HANDLE},
    {STATUS_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
    {STATUS_NO_MEMORY, ERROR_NOT_ENOUGH_MEMORY},
    {STATUS_ACCESS_DENIED, ERROR_ACCESS_DENIED},
    {STATUS_BUFFER_TOO_SMALL, ERROR_INSUFFICIENT_BUFFER},
    {STATUS_OBJECT_NAME_NOT_FOUND, ERROR_FILE_NOT_FOUND},
    {STATUS_NO_SUCH_PRIVILEGE, ERROR_NO_SUCH_PRIVILEGE},
    {STATUS_NO_SUCH_USER, ERROR_NO_SUCH_USER},
    {STATUS_NONE_MAPPED, ERROR_NONE_MAPPED},
    {STATUS_INVALID_SID, ERROR_INVALID_SID},
    {STATUS_DISK_FULL, ERROR_DISK_FULL},
    {STATUS_INSUFFICIENT_RESOURCES, ERROR_NO_SYSTEM_RESOURCES},
    {STATUS_NOT_SUPPORTED, ERROR_NOT_SUPPORTED},
    {STATUS_INTERNAL_DB_ERROR, ERROR_INTERNAL_DB_ERROR},
    {RPC_NT_SERVER_UNAVAILABLE, RPC_S_SERVER_UNAVAILABLE},
};

}  // namespace

NTSTATUS StatusForError(DWORD error, NTSTATUS otherwise) {
    for (const Translation& t : kTable)
        if (t.error == error) return t.status;
    return otherwise;
}

}  // namespace winport::detail::lsa

// A pure translation, which cannot fail on Windows: no fault point.
extern "C" ULONG WINAPI LsaNtStatusToWinError(NTSTATUS Status) {
    for (const auto& t : winport::detail::lsa::kTable)
        if (t.status == Status) return t.error;
    return ERROR_MR_MID_NOT_FOUND;
}
