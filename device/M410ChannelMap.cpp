#include "device/M410ChannelMap.h"

#include "device/EventDescriptor.h"

namespace {

constexpr std::int32_t Mag = 8;
constexpr std::int32_t Legacy = 9;
constexpr std::uint16_t SwappedFromMinor = 96;

}  // namespace

std::int32_t m410ChannelNumber(std::int32_t channel, std::uint16_t firmwareWord) {
    const bool swapped = firmwareAtLeast(firmwareWord, SwappedFromMinor);
    if (channel == Mag) {
        return swapped ? 4 : 3;
    }
    if (channel == Legacy) {
        return swapped ? 3 : 4;
    }
    return channel;
}
