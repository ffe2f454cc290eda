#pragma once

#include "support/logging/LogBeacon.h"

namespace quorvex::console {

// The trace every operation of the window starts with.
inline void entryTrace(const char* context) {
    zeph::windows::logging::LogBeacon::log(context, zeph::windows::logging::DebugLevel1, L" ");
}

}  // namespace quorvex::console
