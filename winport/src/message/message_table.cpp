// The system message table: the texts Windows (not Wine) returns for FORMAT_MESSAGE_FROM_SYSTEM
// in English (United States). Texts are stored without the line break that ends every one of
// them; SystemMessageText adds it. Kept sorted by id for the binary search. The network texts
// (2100-2999) are not here: Windows keeps them in netmsg.dll, outside the system table.
#include "message/message_table.h"

#include <algorithm>
#include <iterator>

namespace winport::detail {
namespace {

struct Entry {
    DWORD id;
    const wchar_t* body;
};

constexpr Entry kMessages[] = {
    {0, L"The operation completed successfully."},
    {1, L"Incorrect function."},
    {2, L"The system cannot find the file specified."},
    {3, L"The system cannot find the path specified."},
    {4, L"The system cannot open the file."},
    {5, L"Access is denied."},
    {6, L"The handle is invalid."},
    {7, L"The storage control blocks were destroyed."},
    {8, L"Not enough memory resources are available to process this command."},
    {9, L"The storage control block address is invalid."},
    {10, L"The environment is incorrect."},
    {11, L"An attempt was made to load a program with an incorrect format."},
    {12, L"The access code is invalid."},
    {13, L"The data is invalid."},
    {14, L"Not enough memory resources are available to complete this operation."},
    {15, L"The system cannot find the drive specified."},
    {16, L"The directory cannot be removed."},
    {17, L"The system cannot move the file to a different disk drive."},
    {18, L"There are no more files."},
    {19, L"The media is write protected."},
    {20, L"The system cannot find the device specified."},
    {21, L"The device is not ready."},
    {22, L"The device does not recognize the command."},
    {23, L"Data error (cyclic redundancy check)."},
    {24, L"The program issued a command but the command length is incorrect."},
    {25, L"The drive cannot locate a specific area or track on the disk."},
    {26, L"The specified disk or diskette cannot be accessed."},
    {27, L"The drive cannot find the sector requested."},
    {28, L"The printer is out of paper."},
    {29, L"The system cannot write to the specified device."},
    {30, L"The system cannot read from the specified device."},
    {31, L"A device attached to the system is not functioning."},
    {32, L"The process cannot access the file because it is being used by another process."},
    {33, L"The process cannot access the file because another process has locked a portion of the file."},
    {38, L"Reached the end of the file."},
    {39, L"The disk is full."},
    {50, L"The request is not supported."},
    {80, L"The file exists."},
    {82, L"The directory or file cannot be created."},
    {87, L"The parameter is incorrect."},
    {109, L"The pipe has been ended."},
    {110, L"The system cannot open the device or file specified."},
    {111, L"The file name is too long."},
    {112, L"There is not enough space on the disk."},
    {120, L"This function is not supported on this system."},
    {122, L"The data area passed to a system call is too small."},
    {123, L"The filename, directory name, or volume label syntax is incorrect."},
    {124, L"The system call level is not correct."},
    {126, L"The specified module could not be found."},
    {127, L"The specified procedure could not be found."},
    {145, L"The directory is not empty."},
    {170, L"The requested resource is in use."},
    {183, L"Cannot create a file when that file already exists."},
    {193, L"%1 is not a valid Win32 application."},
    {203, L"The system could not find the environment option that was entered."},
    {206, L"The filename or extension is too long."},
    {232, L"The pipe is being closed."},
    {233, L"No process is on the other end of the pipe."},
    {234, L"More data is available."},
    {259, L"No more data is available."},
    {267, L"The directory name is invalid."},
    {288, L"Attempt to release mutex not owned by caller."},
    {317, L"The system cannot find message text for message number 0x%1 in the message file for %2."},
    {487, L"Attempt to access invalid address."},
    {534, L"Arithmetic result exceeded 32 bits."},
    {535, L"There is a process on other end of the pipe."},
    {995, L"The I/O operation has been aborted because of either a thread exit or an application request."},
    {996, L"Overlapped I/O event is not in a signaled state."},
    {997, L"Overlapped I/O operation is in progress."},
    {998, L"Invalid access to memory location."},
    {1004, L"Invalid flags."},
    {1006, L"The volume for a file has been externally altered so that the opened file is no longer valid."},
    {1011, L"The configuration registry key could not be opened."},
    {1012, L"The configuration registry key could not be read."},
    {1013, L"The configuration registry key could not be written."},
    {1015, L"The registry is corrupted. The structure of one of the files containing registry data is corrupted, "
           L"or the system's memory image of the file is corrupted, or the file could not be recovered because the "
           L"alternate copy or log was absent or corrupted."},
    {1018, L"Illegal operation attempted on a registry key that has been marked for deletion."},
    {1020, L"Cannot create a symbolic link in a registry key that already has subkeys or values."},
    {1051, L"A stop control has been sent to a service that other running services are dependent on."},
    {1052, L"The requested control is not valid for this service."},
    {1053, L"The service did not respond to the start or control request in a timely fashion."},
    {1054, L"A thread could not be created for the service."},
    {1055, L"The service database is locked."},
    {1056, L"An instance of the service is already running."},
    {1057, L"The account name is invalid or does not exist, or the password is invalid for the account name "
           L"specified."},
    {1058, L"The service cannot be started, either because it is disabled or because it has no enabled devices "
           L"associated with it."},
    {1059, L"Circular service dependency was specified."},
    {1060, L"The specified service does not exist as an installed service."},
    {1061, L"The service cannot accept control messages at this time."},
    {1062, L"The service has not been started."},
    {1063, L"The service process could not connect to the service controller."},
    {1064, L"An exception occurred in the service when handling the control request."},
    {1065, L"The database specified does not exist."},
    {1066, L"The service has returned a service-specific error code."},
    {1067, L"The process terminated unexpectedly."},
    {1068, L"The dependency service or group failed to start."},
    {1069, L"The service did not start due to a logon failure."},
    {1070, L"After starting, the service hung in a start-pending state."},
    {1071, L"The specified service database lock is invalid."},
    {1072, L"The specified service has been marked for deletion."},
    {1073, L"The specified service already exists."},
    {1074, L"The system is currently running with the last-known-good configuration."},
    {1075, L"The dependency service does not exist or has been marked for deletion."},
    {1076, L"The current boot has already been accepted for use as the last-known-good control set."},
    {1077, L"No attempts to start the service have been made since the last boot."},
    {1078, L"The name is already in use as either a service name or a service display name."},
    {1083, L"The executable program that this service is configured to run in does not implement the service."},
    {1113, L"No mapping for the Unicode character exists in the target multi-byte code page."},
    {1160, L"The indicated source element has no media."},
    {1168, L"Element not found."},
    {1223, L"The operation was canceled by the user."},
    {1300, L"Not all privileges or groups referenced are assigned to the caller."},
    {1301, L"Some mapping between account names and security IDs was not done."},
    {1307, L"This security ID may not be assigned as the owner of this object."},
    {1313, L"A specified privilege does not exist."},
    {1317, L"The specified account does not exist."},
    {1326, L"The user name or password is incorrect."},
    {1332, L"No mapping between account names and security IDs was done."},
    {1337, L"The security ID structure is invalid."},
    {1355, L"The specified domain either does not exist or could not be contacted."},
    {1383, L"The local security authority database contains an internal inconsistency."},
    {1450, L"Insufficient system resources exist to complete the requested service."},
    {1605, L"This action is only valid for products that are currently installed."},
    {1608, L"Unknown property."},
    {1610, L"The configuration data for this product is corrupt.  Contact your support personnel."},
    {1722, L"The RPC server is unavailable."},
    {1804, L"The specified datatype is invalid."},
    {1815, L"The specified resource language ID cannot be found in the image file."},
    // The security provider's statuses, which the system table holds as well.
    {0x80090301, L"The handle specified is invalid"},
    {0x80090302, L"The function requested is not supported"},
    {0x80090304, L"The Local Security Authority cannot be contacted"},
    {0x80090305, L"The requested security package does not exist"},
    {0x80090308, L"The token supplied to the function is invalid"},
    {0x8009030C, L"The logon attempt failed"},
    {0x8009030E, L"No credentials are available in the security package"},
};

}  // namespace

std::optional<std::wstring> SystemMessageText(DWORD id) {
    const Entry* end = std::end(kMessages);
    const Entry* found =
        std::lower_bound(std::begin(kMessages), end, id, [](const Entry& e, DWORD wanted) { return e.id < wanted; });
    if (found == end || found->id != id) return std::nullopt;
    return std::wstring(found->body) + L"\r\n";
}

}  // namespace winport::detail
