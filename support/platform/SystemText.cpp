#include "support/platform/SystemText.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>

namespace zeph::platform {

namespace {

struct SystemMessage {
    DWORD code;
    std::wstring_view text;  // without the CR LF that Windows ends every message with
};

// Every code the program can produce: the named codes, the results of the operations and
// every code win32FromErrno gives. Sorted by code. Worded as Windows 10 words them.
constexpr std::array kMessages{
    SystemMessage{ERROR_SUCCESS, L"The operation completed successfully."},
    SystemMessage{ERROR_INVALID_FUNCTION, L"Incorrect function."},
    SystemMessage{ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified."},
    SystemMessage{ERROR_PATH_NOT_FOUND, L"The system cannot find the path specified."},
    SystemMessage{ERROR_TOO_MANY_OPEN_FILES, L"The system cannot open the file."},
    SystemMessage{ERROR_ACCESS_DENIED, L"Access is denied."},
    SystemMessage{ERROR_INVALID_HANDLE, L"The handle is invalid."},
    SystemMessage{ERROR_NOT_ENOUGH_MEMORY,
                  L"Not enough memory resources are available to process this command."},
    SystemMessage{ERROR_INVALID_DATA, L"The data is invalid."},
    SystemMessage{ERROR_OUTOFMEMORY,
                  L"Not enough memory resources are available to complete this operation."},
    SystemMessage{ERROR_NOT_SAME_DEVICE, L"The system cannot move the file to a different disk drive."},
    SystemMessage{ERROR_WRITE_PROTECT, L"The media is write protected."},
    SystemMessage{ERROR_BAD_UNIT, L"The system cannot find the device specified."},
    SystemMessage{ERROR_NOT_READY, L"The device is not ready."},
    SystemMessage{ERROR_WRITE_FAULT, L"The system cannot write to the specified device."},
    SystemMessage{ERROR_READ_FAULT, L"The system cannot read from the specified device."},
    SystemMessage{ERROR_GEN_FAILURE, L"A device attached to the system is not functioning."},
    SystemMessage{ERROR_SHARING_VIOLATION,
                  L"The process cannot access the file because it is being used by another process."},
    SystemMessage{ERROR_HANDLE_EOF, L"Reached the end of the file."},
    SystemMessage{ERROR_NOT_SUPPORTED, L"The request is not supported."},
    SystemMessage{ERROR_FILE_EXISTS, L"The file exists."},
    SystemMessage{ERROR_INVALID_PARAMETER, L"The parameter is incorrect."},
    SystemMessage{ERROR_BROKEN_PIPE, L"The pipe has been ended."},
    SystemMessage{ERROR_DISK_FULL, L"There is not enough space on the disk."},
    SystemMessage{ERROR_CALL_NOT_IMPLEMENTED, L"This function is not supported on this system."},
    SystemMessage{ERROR_INSUFFICIENT_BUFFER, L"The data area passed to a system call is too small."},
    SystemMessage{ERROR_INVALID_NAME, L"The filename, directory name, or volume label syntax is incorrect."},
    SystemMessage{ERROR_DIR_NOT_EMPTY, L"The directory is not empty."},
    SystemMessage{ERROR_SIGNAL_REFUSED, L"The recipient process has refused the signal."},
    SystemMessage{ERROR_BAD_ARGUMENTS, L"One or more arguments are not correct."},
    SystemMessage{ERROR_MAX_THRDS_REACHED, L"No more threads can be created in the system."},
    SystemMessage{ERROR_BUSY, L"The requested resource is in use."},
    SystemMessage{ERROR_ALREADY_EXISTS, L"Cannot create a file when that file already exists."},
    SystemMessage{ERROR_FILENAME_EXCED_RANGE, L"The filename or extension is too long."},
    SystemMessage{ERROR_MORE_DATA, L"More data is available."},
    SystemMessage{WAIT_TIMEOUT, L"The wait operation timed out."},
    SystemMessage{ERROR_NO_MORE_ITEMS, L"No more data is available."},
    SystemMessage{ERROR_NOT_OWNER, L"Attempt to release mutex not owned by caller."},
    SystemMessage{ERROR_UNKNOWN_INTERFACE, L"The requested interface is not supported."},
    SystemMessage{ERROR_OPERATION_ABORTED,
                  L"The I/O operation has been aborted because of either a thread exit or an application "
                  L"request."},
    SystemMessage{ERROR_IO_INCOMPLETE, L"Overlapped I/O event is not in a signaled state."},
    SystemMessage{ERROR_IO_PENDING, L"Overlapped I/O operation is in progress."},
    SystemMessage{ERROR_NOACCESS, L"Invalid access to memory location."},
    SystemMessage{ERROR_POSSIBLE_DEADLOCK, L"A potential deadlock condition has been detected."},
    SystemMessage{ERROR_DEVICE_NOT_CONNECTED, L"The device is not connected."},
    SystemMessage{ERROR_NOT_FOUND, L"Element not found."},
    SystemMessage{ERROR_EXTENDED_ERROR, L"An extended error has occurred."},
    SystemMessage{ERROR_CANCELLED, L"The operation was canceled by the user."},
    SystemMessage{ERROR_CONNECTION_REFUSED, L"The remote computer refused the network connection."},
    SystemMessage{ERROR_ALREADY_INITIALIZED,
                  L"An attempt was made to perform an initialization operation when initialization has "
                  L"already been completed."},
    SystemMessage{ERROR_INVALID_WINDOW_HANDLE, L"Invalid window handle."},
    SystemMessage{ERROR_INVALID_THREAD_ID, L"Invalid thread identifier."},
    SystemMessage{ERROR_TIMEOUT, L"This operation returned because the timeout period expired."},
    SystemMessage{ERROR_NOT_ENOUGH_QUOTA, L"Not enough quota is available to process this command."},
    SystemMessage{ERROR_CANT_RESOLVE_FILENAME, L"The name of the file cannot be resolved by the system."},
    SystemMessage{ERROR_NOT_CONNECTED, L"This network connection does not exist."},
};

constexpr bool sortedByCode() {
    for (std::size_t i = 1; i < kMessages.size(); ++i) {
        if (kMessages[i - 1].code >= kMessages[i].code) {
            return false;
        }
    }
    return true;
}
static_assert(sortedByCode(), "the look-up is a binary search");

}  // namespace

std::optional<std::wstring> systemText(DWORD code) {
    const auto found = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                                        [](const SystemMessage& m, DWORD c) { return m.code < c; });
    if (found == std::end(kMessages) || found->code != code) {
        return std::nullopt;
    }
    std::wstring text(found->text);
    text += L"\r\n";
    return text;
}

}  // namespace zeph::platform
