#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvex::simulator {

using Bytes = std::vector<std::uint8_t>;

// The event bits of a frame's mask, in the order their blocks follow one another.
enum EventBit : std::uint32_t {
    StreamingBit = 0x0001,
    GainBit = 0x0002,
    StopAckBit = 0x0004,
    AdcBeginBit = 0x0008,
    AdcEndBit = 0x0010,
    InitBit = 0x0020,
    PassageBit = 0x0040,
    IgnoredBit = 0x0080,
    RecordingStartedBit = 0x0100,
    ModeChangedBit = 0x0200,
    GpsBit = 0x0400,
    RecordModeBit = 0x0800,
    StateInfoBit = 0x1000,
};

// Little-endian fields appended one after the other, as the unit lays out its blocks.
class BlockWriter {
public:
    BlockWriter& u8(std::uint8_t value);
    BlockWriter& i8(std::int8_t value) { return u8(static_cast<std::uint8_t>(value)); }
    BlockWriter& u16(std::uint16_t value);
    BlockWriter& u32(std::uint32_t value);
    BlockWriter& i32(std::int32_t value) { return u32(static_cast<std::uint32_t>(value)); }
    BlockWriter& f32(float value);
    // The text cut to width - 1 bytes and zero-padded to width, so it always ends with a zero.
    BlockWriter& text(std::string_view value, std::size_t width);

    const Bytes& bytes() const { return bytes_; }
    Bytes take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// One event's block, tagged with its bit.
struct EventBlock {
    std::uint32_t bit = 0;
    Bytes block;
};

// The payload of a frame: the mask of every block's bit, then the blocks in ascending bit order.
Bytes payloadOf(std::vector<EventBlock> blocks);

// XOR of the two length bytes and the payload.
std::uint8_t checksumOf(std::span<const std::uint8_t> payload);

// SOH, checksum, little-endian length, payload, EOT, behind wakeBytes 0x5E bytes. Every payload
// the unit builds is far below the 65535 bytes the length field can announce.
Bytes frameOf(std::span<const std::uint8_t> payload, std::size_t wakeBytes = 0);

inline constexpr std::uint8_t WakeByte = 0x5E;
inline constexpr std::uint8_t SOH = 0x01;
inline constexpr std::uint8_t EOT = 0x04;

}  // namespace quorvex::simulator
