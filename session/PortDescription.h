#pragma once

#include "support/communication/PortDirectory.h"

#include <string>
#include <string_view>

namespace quorvex::console {

// The port as the record keeps it: the device the operator chose, with its COM name beside it
// when it was chosen by one ("/dev/ttyUSB0 (COM1)"); a device path as given. A COM name whose
// link is gone is kept as it is.
std::string describePort(std::wstring_view devicePath,
                         const zeph::windows::communication::PortDirectory& ports =
                             zeph::windows::communication::PortDirectory::fromEnvironment());

}  // namespace quorvex::console
