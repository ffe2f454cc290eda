#pragma once

#include "controlroom/UnitStatus.h"
#include "session/IConsoleView.h"

#include <string>

class DeviceState;

namespace quorvex::link {

// The status the control room sees, from what the device stack knows of the unit; the
// connection as the link names it ("connected", "disconnected", "link lost").
UnitStatus unitStatusOf(const DeviceState& state, const std::string& connection);

// "connected" while the stack is connected, else "disconnected".
std::string connectionOf(const DeviceState& state);
// How a connection's end reads: "link lost" for a failure, else "disconnected".
std::string connectionOf(console::ConnectionOutcome outcome);

}  // namespace quorvex::link
