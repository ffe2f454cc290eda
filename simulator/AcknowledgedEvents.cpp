#include "simulator/AcknowledgedEvents.h"

#include "simulator/UnitFrameBuilder.h"

#include <cstdio>

namespace quorvex::simulator {

namespace {

std::int32_t int32At(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::vector<std::string> acknowledgedEvents(const OutgoingFrame& frame) {
    // The unit sends each of these events in a frame of its own: the block follows the mask.
    constexpr std::size_t Block = 4;
    std::vector<std::string> lines;
    const bool passage = (frame.mask & PassageBit) != 0;
    if ((passage || (frame.mask & IgnoredBit) != 0) && frame.payload.size() >= Block + 8) {
        char text[64];
        std::snprintf(text, sizeof text, "%s %d.%06d", passage ? "passage" : "ignored",
                      int32At(frame.payload, Block), int32At(frame.payload, Block + 4));
        lines.emplace_back(text);
    }
    if ((frame.mask & RecordingStartedBit) != 0) {
        lines.emplace_back("trigger");
    }
    return lines;
}

}  // namespace quorvex::simulator
