#pragma once

#include "support/platform/ErrorCodes.h"

namespace zeph::platform {

// The calling thread's last error, as GetLastError/SetLastError keep it.
DWORD getLastError();
void setLastError(DWORD code);

// Maps an errno value to the Win32 code an operation on Windows would have reported
// (ENOENT -> 2, EACCES and EBUSY -> 5, EIO -> 1167 for a vanished device, ...).
// Unknown values map to ERROR_GEN_FAILURE so a failure is never reported as success.
DWORD win32FromErrno(int errnoValue);

// Sets the last error from errno and returns it, for the common "syscall failed" path.
DWORD setLastErrorFromErrno(int errnoValue);

}  // namespace zeph::platform
