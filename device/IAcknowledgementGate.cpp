#include "device/IAcknowledgementGate.h"

#include "device/EventDescriptor.h"
#include "device/FrameCodec.h"

bool IAcknowledgementGate::mustKeep(std::span<const std::uint8_t> payload) {
    if (payload.size() < FrameCodec::MaskSize) {
        return false;
    }
    constexpr std::uint32_t kept = EventDescriptor::PigPassageDetected | EventDescriptor::IgnoredEvent |
                                   EventDescriptor::RecordingStarted;
    // These bits all lie in the mask's two low bytes.
    const std::uint32_t low = static_cast<std::uint32_t>(payload[0]) | static_cast<std::uint32_t>(payload[1])
                                                                           << 8;
    return (low & kept) != 0;
}
