#pragma once

#include "discovery/DiscoveryEnvironment.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zeph::windows::discovery {

// One COM port of the machine.
struct ComPortInfo {
    std::int32_t port = 0;
    std::wstring description;
};

// The COM ports of the port directory that lead to a serial line, by number, each described
// from udev (vendor and model), "Bluetooth serial link" for an RFCOMM tty, else "Serial port".
// False (with the last error) when the port directory cannot be read.
bool enumerateComPorts(const DiscoveryEnvironment& environment, std::vector<ComPortInfo>& ports);

}  // namespace zeph::windows::discovery
