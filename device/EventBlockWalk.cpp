#include "device/EventBlockWalk.h"

#include "device/EventDescriptor.h"
#include "device/FrameCodec.h"

void walkEventBlocks(
    std::span<const std::uint8_t> payload, std::uint16_t firmwareWord,
    const std::function<void(std::uint32_t bit, std::span<const std::uint8_t> block)>& visit) {
    if (payload.size() < FrameCodec::MaskSize) {
        return;
    }
    const std::uint32_t mask =
        static_cast<std::uint32_t>(payload[0]) | static_cast<std::uint32_t>(payload[1]) << 8 |
        static_cast<std::uint32_t>(payload[2]) << 16 | static_cast<std::uint32_t>(payload[3]) << 24;
    std::size_t offset = FrameCodec::MaskSize;
    for (const EventDescriptor& event : EventDescriptor::table()) {
        if ((mask & event.bit()) == 0 || event.bit() == EventDescriptor::StateInfo) {
            continue;
        }
        const std::size_t left = payload.size() - offset;
        if (event.hasRecords() && left == 0) {
            return;
        }
        const std::size_t size = event.blockSize(event.hasRecords() ? payload[offset] : 0, firmwareWord);
        if (left < size) {
            return;
        }
        visit(event.bit(), payload.subspan(offset, size));
        offset += size;
    }
}
