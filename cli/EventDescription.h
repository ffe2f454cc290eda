#pragma once

#include "cli/JsonObject.h"
#include "device/DeviceState.h"
#include "support/platform/WindowTypes.h"

#include <optional>
#include <string>

namespace quorvex::cli {

// The short name a script sees for a message of the device stack, or "" for any other message.
std::string eventNameOf(zeph::platform::UINT message);

// The fields of the record (or the word parameter) a message of the device stack carries, with
// the names of their meanings. The record is only read; the caller still owns it.
JsonObject describeRecord(zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                          zeph::platform::LPARAM lParam);

// What the console knows of the unit at this moment.
JsonObject describeState(const DeviceState& state);

}  // namespace quorvex::cli
