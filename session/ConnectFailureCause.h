#pragma once

#include "support/platform/ErrorCodes.h"

#include <string>
#include <string_view>

namespace quorvex::console {

// The port as the operator named it and the file it leads to: "COM3 (/dev/ttyUSB0)",
// "/dev/ttyACM0".
std::string portDescription(std::wstring_view devicePath);

// Why the port would not open, in words the operator can act on: it leads nowhere, it is not a
// serial port (a FIFO, a regular file, /dev/null, a folder), another program holds it, or the
// system's text for the code. The port is looked at again, without blocking, to tell these apart.
std::string portFailureCause(std::wstring_view devicePath, zeph::platform::DWORD error);

// The port opened but the unit never answered Request Init.
std::string unitSilentCause(std::wstring_view devicePath);

}  // namespace quorvex::console
