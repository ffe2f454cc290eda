#include "simulator/UnitFrameBuilder.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace quorvex::simulator {

BlockWriter& BlockWriter::u8(std::uint8_t value) {
    bytes_.push_back(value);
    return *this;
}

BlockWriter& BlockWriter::u16(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    return *this;
}

BlockWriter& BlockWriter::u32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
    return *this;
}

BlockWriter& BlockWriter::f32(float value) {
    static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559);
    return u32(std::bit_cast<std::uint32_t>(value));
}

BlockWriter& BlockWriter::text(std::string_view value, std::size_t width) {
    const std::size_t kept = std::min(value.size(), width == 0 ? 0 : width - 1);
    bytes_.insert(bytes_.end(), value.begin(), value.begin() + static_cast<std::ptrdiff_t>(kept));
    bytes_.insert(bytes_.end(), width - kept, 0);
    return *this;
}

Bytes payloadOf(std::vector<EventBlock> blocks) {
    std::stable_sort(blocks.begin(), blocks.end(),
                     [](const EventBlock& a, const EventBlock& b) { return a.bit < b.bit; });
    std::uint32_t mask = 0;
    for (const EventBlock& block : blocks) {
        mask |= block.bit;
    }
    BlockWriter payload;
    payload.u32(mask);
    Bytes bytes = payload.take();
    for (const EventBlock& block : blocks) {
        bytes.insert(bytes.end(), block.block.begin(), block.block.end());
    }
    return bytes;
}

std::uint8_t checksumOf(std::span<const std::uint8_t> payload) {
    std::uint8_t checksum =
        static_cast<std::uint8_t>((payload.size() & 0xFF) ^ ((payload.size() >> 8) & 0xFF));
    for (const std::uint8_t byte : payload) {
        checksum ^= byte;
    }
    return checksum;
}

Bytes frameOf(std::span<const std::uint8_t> payload, std::size_t wakeBytes) {
    Bytes frame(wakeBytes, WakeByte);
    frame.reserve(wakeBytes + payload.size() + 5);
    frame.push_back(SOH);
    frame.push_back(checksumOf(payload));
    frame.push_back(static_cast<std::uint8_t>(payload.size() & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(EOT);
    return frame;
}

}  // namespace quorvex::simulator
