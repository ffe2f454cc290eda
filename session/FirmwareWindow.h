#pragma once

#include "device/DeviceState.h"

#include <string>

namespace quorvex::console {

// The firmware revisions the console works with: major 0, minor 85 to 98 (0.0085 to 0.0098).
struct FirmwareVersion {
    int major = 0;
    int minor = 0;
};

FirmwareVersion firmwareVersionOf(const FirmwareRevision& revision);
bool isCompatibleFirmware(const FirmwareVersion& version);
// As the device information shows it: "0." and the minor number's last four digits (85: 0.0085).
std::string firmwareRevisionText(const FirmwareVersion& version);
// The whole version, major number included: "1.0090" for major 1, minor 90 (the minor number,
// 12 bits, always fits four digits).
std::string firmwareVersionText(const FirmwareVersion& version);
// The text of the box that refuses a unit outside the window.
std::string incompatibleFirmwareText(const FirmwareVersion& version);

}  // namespace quorvex::console
