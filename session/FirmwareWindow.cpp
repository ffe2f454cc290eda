#include "session/FirmwareWindow.h"

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

std::string firmwareVersionText(const FirmwareVersion& version) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%04d", version.major, version.minor);
    return text;
}

// Every version in the box reads as the client's events show it: a plain "00" before the minor
// number would make 1808 read as 0.001808, and the major number must not be dropped.
std::string incompatibleFirmwareText(const FirmwareVersion& version) {
    return "This QUORVEX unit is running an incompatible version of the firmware.\n\n"
           "Minimum supported version " +
           firmwareVersionText(Oldest) + "\nMaximum supported version " + firmwareVersionText(Newest) +
           "\n\nCurrent Version " + firmwareVersionText(version);
}

}  // namespace quorvex::console
