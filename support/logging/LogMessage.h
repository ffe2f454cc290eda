#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/LocalTime.h"

#include <string>

namespace zeph::windows::logging {

// One entry in transit from the calling thread to the window thread. The caller creates it and
// the window thread owns it once posted; a caller whose post fails frees it at once.
struct LogMessage {
    const LogVerbosity* verbosity = nullptr;  // the registered level of the call's value, or null
    platform::SYSTEMTIME time;                // local time of the call
    std::wstring context;
    std::wstring message;  // the rendered text
};

}  // namespace zeph::windows::logging
