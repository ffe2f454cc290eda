#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/KernelObject.h"

#include <initializer_list>
#include <span>

namespace zeph::platform {

// WaitForSingleObject: WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT, or WAIT_FAILED with the
// last error set (ERROR_INVALID_HANDLE for a null handle).
DWORD waitForSingleObject(const Handle& object, DWORD timeoutMs);

// WaitForMultipleObjects: wait-any gives WAIT_OBJECT_0 + i (or WAIT_ABANDONED_0 + i) for the
// lowest signalled index; wait-all takes every object at once. No polling: a signal wakes the
// waiter at once. More than MAXIMUM_WAIT_OBJECTS, none, or a null handle is WAIT_FAILED, and
// so is wait-all naming one object twice.
DWORD waitForMultipleObjects(std::span<const Handle> objects, bool waitAll, DWORD timeoutMs);
DWORD waitForMultipleObjects(std::initializer_list<Handle> objects, bool waitAll, DWORD timeoutMs);

}  // namespace zeph::platform
