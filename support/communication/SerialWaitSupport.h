#pragma once

#include "support/communication/Serial.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"

#include <cerrno>

// What the port's waits and transfers share: the wait names their log lines carry and the
// reading of a failed system call.
namespace zeph::windows::communication::detail {

inline constexpr DWORD kWaitFailedResult = static_cast<DWORD>(-1);

// The Windows call the wait stands for, as the log lines name it.
inline const wchar_t* waitNameFor(const AbortEvent& abort) {
    return abort ? L"::WaitForMultipleObjects()" : L"::WaitForSingleObject()";
}

// Codes are logged with %d, as Windows code logs them.
inline int asInt(DWORD code) {
    return static_cast<int>(code);
}

// A vanished device (USB unplugged, Bluetooth link lost, pty closed) fails this way.
inline bool isHangUp(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

inline DWORD resultOf(int error) {
    return isHangUp(error) ? platform::ERROR_DEVICE_NOT_CONNECTED : platform::win32FromErrno(error);
}

inline void logWithSystemText(const char* context, const wchar_t* format, const wchar_t* waitName,
                              DWORD error) {
    logging::LogBeacon::log(context, logging::Error, format, waitName, asInt(error));
    logging::LogBeacon::logSystemError(context, error);
}

}  // namespace zeph::windows::communication::detail
