#pragma once

#include "device/EventRecords.h"

#include <cstdint>

namespace quorvex::test {

// A streaming sample of a channel with every level and axis at the values given.
inline StreamingSample plotSample(std::uint16_t channel, std::int32_t level, std::int32_t axis = -1) {
    StreamingSample sample;
    sample.channel = channel;
    sample.x = axis;
    sample.y = axis;
    sample.z = axis;
    sample.extra = axis;
    for (std::int32_t& slot : sample.levels) {
        slot = level;
    }
    return sample;
}

}  // namespace quorvex::test
