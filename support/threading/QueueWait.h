#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/KernelObject.h"

namespace zeph::windows::system::threading {

// The serial threads' wait for "terminate, else this object": 0 when the object was taken (an
// abandoned mutex too), ERROR_CANCELLED on terminate, WAIT_TIMEOUT, or -1 on a failed wait (its
// system text logged). The result's name is logged at Debug Level 3 under the context.
platform::DWORD waitTerminateOr(const char* context, const platform::Handle& terminate,
                                const platform::Handle& object);

}  // namespace zeph::windows::system::threading
