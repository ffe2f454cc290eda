#pragma once

#include "support/communication/SerialSettings.h"

#include <string>
#include <string_view>

namespace quorvex::program {

// The device path the stack opens for a --port value: "COM3" becomes "\\.\COM3"; a path stays.
// Empty when the value is neither.
std::wstring devicePathOf(std::string_view port);

// Why a --port value names no port, or "" when it names one.
std::string portOptionError(std::string_view port);

// The settings Connect opens a --port value with: its device path and, for a COM port, its
// number; the line parameters as freshly made. The device path is empty when the value names
// no port.
zeph::windows::communication::SerialSettings serialSettingsOf(std::string_view port);

}  // namespace quorvex::program
