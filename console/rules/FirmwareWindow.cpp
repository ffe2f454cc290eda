#include "console/rules/FirmwareWindow.h"

#include <cstdio>
#include <utility>

namespace quorvex::console {

namespace {

constexpr FirmwareVersion Oldest{0, 85};
constexpr FirmwareVersion Newest{0, 98};

}  // namespace

FirmwareVersion firmwareVersionOf(const FirmwareRevision& revision) {
    return {revision[0] & 0x0F, revision[0] >> 4};
}

bool isCompatibleFirmware(const FirmwareVersion& version) {
    const auto pair = std::pair(version.major, version.minor);
    return pair >= std::pair(Oldest.major, Oldest.minor) && pair <= std::pair(Newest.major, Newest.minor);
}

std::string firmwareRevisionText(const FirmwareVersion& version) {
    char padded[16];
    std::snprintf(padded, sizeof padded, "%04d", version.minor);
    const std::string digits = padded;
    return "0." + digits.substr(digits.size() - 4);
}

std::string incompatibleFirmwareText(const FirmwareVersion& version) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "This QUORVEX unit is running an incompatible version of the firmware.\n\n"
                  "Minimum supported version %d.00%d\nMaximum supported version %d.00%d\n\n"
                  "Current Version %d.00%d",
                  Oldest.major, Oldest.minor, Newest.major, Newest.minor, version.major, version.minor);
    return text;
}

}  // namespace quorvex::console
