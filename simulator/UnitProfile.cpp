#include "simulator/UnitProfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace quorvex::simulator {

namespace {

constexpr std::uint16_t ExtendedRevision = 91;
constexpr std::uint16_t RenumberedRevision = 96;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string UnitProfile::validate() const {
    if (model != "M410" && model != "M450") {
        return "the model must be M410 or M450";
    }
    if (deviceName().size() > 15) {
        return "the model, a blank and the serial number must fit in 15 characters";
    }
    if (firmware.size() > 15) {
        return "the firmware revision text must fit in 15 characters";
    }
    if (streamRate < 1 || streamRate > 1000) {
        return "the streaming rate must be 1 to 1000 frames per second";
    }
    if (recordsPerFrame < 1 || recordsPerFrame > 255) {
        return "the records per frame must be 1 to 255";
    }
    if (gain + clipping > 16) {
        return "gain plus clipping must be at most 16";
    }
    if (retryLimit < 0 || wakeBytes < 0 || replyTimeout.count() <= 0 || batteryPeriod.count() < 0 ||
        batteryDuration.count() < 0 || batteryDrainPerHour < 0) {
        return "a count or a time is out of range";
    }
    return {};
}

std::uint16_t firmwareMinor(std::string_view firmwareText) {
    const std::size_t end = firmwareText.find('\0');
    firmwareText = firmwareText.substr(0, end);
    std::size_t at = 0;
    while (at < firmwareText.size() && !isDigit(firmwareText[at])) {
        ++at;
    }
    if (at == firmwareText.size()) {
        return 0;
    }
    // A locale-free decimal reading: digits, an optional point, digits.
    double value = 0;
    double scale = 1;
    bool fraction = false;
    for (; at < firmwareText.size(); ++at) {
        const char c = firmwareText[at];
        if (c == '.' && !fraction) {
            fraction = true;
        } else if (isDigit(c)) {
            if (fraction) {
                scale /= 10;
                value += (c - '0') * scale;
            } else {
                value = value * 10 + (c - '0');
            }
        } else {
            break;
        }
    }
    const double scaled = std::round(value * 10000);
    if (scaled > 2147483647.0) {
        return 0;
    }
    // The console saturates a minor number beyond 12 bits; the layout must follow the same reading.
    return static_cast<std::uint16_t>(std::min(scaled, 4095.0));
}

RecordLayout recordLayoutFor(std::uint16_t minor) {
    if (minor >= RenumberedRevision) {
        return RecordLayout::Renumbered66;
    }
    return minor >= ExtendedRevision ? RecordLayout::Extended66 : RecordLayout::Short62;
}

std::uint16_t channelCodeFor(std::string_view model, std::uint16_t minor, int channel) {
    const auto code = [](int value) { return static_cast<std::uint16_t>(value); };
    if (model == "M410") {
        if (minor >= RenumberedRevision) {
            return code(channel == 8 ? 4 : channel == 9 ? 3 : channel);
        }
        if (minor >= ExtendedRevision) {
            return code(channel == 8 ? 3 : channel == 9 ? 4 : channel);
        }
        return code(channel);
    }
    if (minor >= RenumberedRevision) {
        // From 0.96 these models send transmitters 3-7 and Mag one code higher, Legacy as 3.
        if (channel >= 3 && channel <= 8) {
            return code(channel + 1);
        }
        return code(channel == 9 ? 3 : channel);
    }
    return code(channel);
}

int channelOfCode(std::string_view model, std::uint16_t minor, std::uint16_t code) {
    // From Legacy down, as the console reads a code: on an M410, codes 3 and 4 are Legacy and Mag.
    for (int channel = 9; channel > 0; --channel) {
        if (channelCodeFor(model, minor, channel) == code) {
            return channel;
        }
    }
    return 0;
}

std::uint16_t channelCodeForSelection(std::string_view model, std::uint16_t minor, int selection) {
    return model == "M410" ? static_cast<std::uint16_t>(selection) : channelCodeFor(model, minor, selection);
}

}  // namespace quorvex::simulator
