#pragma once

#include "support/logging/LogBeacon.h"
#include "support/platform/TypeName.h"

#include <string>

// The entry trace of a layer operation, under the layer's Windows-spelled class name
// ("TCommandAndControl<class QuorvexSupervisor>::onConnect").
template <typename Layer>
void traceEntry(const char* operation) {
    const std::string context = zeph::platform::operationContext<Layer>(operation);
    zeph::windows::logging::LogBeacon::log(context.c_str(), zeph::windows::logging::DebugLevel1, L" ");
}
