#pragma once
// Feeds the frame codec arbitrary byte streams in arbitrary chunks, the way the serial read thread
// does, and checks what every verdict promises about the buffer it was given.
//
// Input: firmware word (2 bytes, little-endian), starting connection state (byte % 3), chunk seed
// (byte), then the bytes the unit sends.

#include "device/FrameCodec.h"
#include "support/logging/LogBeacon.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace quorvex::fuzz::frame_codec {

using zeph::platform::ERROR_INVALID_DATA;
using zeph::platform::ERROR_MORE_DATA;

inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

inline std::size_t leadingWakeBytes(std::span<const std::uint8_t> bytes) {
    std::size_t count = 0;
    while (count < bytes.size() && bytes[count] == FrameCodec::WakeByte) {
        ++count;
    }
    return count;
}

inline void checkAccepted(const std::vector<std::uint8_t>& buffer, const FrameVerdict& verdict,
                          std::uint16_t firmware) {
    require(verdict.reply == LinkReply::Acknowledge || verdict.reply == LinkReply::PollAck);
    require(verdict.payloadOffset + verdict.payloadLength + 1 == verdict.consumed);
    require(verdict.payloadOffset == leadingWakeBytes(buffer) + FrameCodec::PayloadOffset);
    require(buffer[verdict.payloadOffset - FrameCodec::PayloadOffset] == FrameCodec::SOH);
    require(buffer[verdict.consumed - 1] == FrameCodec::EOT);
    const std::span<const std::uint8_t> payload(buffer.data() + verdict.payloadOffset, verdict.payloadLength);
    require(payload.size() >= FrameCodec::MaskSize);
    const std::uint8_t count = payload.size() > FrameCodec::MaskSize ? payload[FrameCodec::MaskSize] : 0;
    require(payload.size() == FrameCodec::expectedPayloadSize(verdict.payload.eventMask, count, firmware));
}

// One pass of the read thread over its buffer; returns once it needs more bytes.
inline void drain(std::vector<std::uint8_t>& buffer, const ConnectionState*& connection,
                  std::uint16_t firmware) {
    for (;;) {
        const FrameVerdict verdict = FrameCodec::parse(buffer, *connection, firmware);
        require(verdict.consumed <= buffer.size());
        if (verdict.result == FRAME_ACCEPTED) {
            checkAccepted(buffer, verdict, firmware);
            if (verdict.payload.becomesConnected) {
                connection = &ConnectionState::Connected;
            }
            require(*connection == ConnectionState::Connected);
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(verdict.consumed));
            continue;
        }
        if (verdict.result == ERROR_MORE_DATA) {
            require(verdict.reply == LinkReply::None);
            require(verdict.consumed == leadingWakeBytes(buffer));
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(verdict.consumed));
            return;
        }
        require(verdict.result == ERROR_INVALID_DATA || verdict.result == FRAME_CHECKSUM_ERROR);
        // Only a frame refused for want of a connection goes unanswered.
        const bool notConnected = verdict.payload.result == zeph::platform::ERROR_NOT_READY;
        require(verdict.reply == (notConnected ? LinkReply::None : LinkReply::NegativeAck));
        require(!notConnected || verdict.result == ERROR_INVALID_DATA);
        buffer.clear();
        return;
    }
}

// One input; beacon, when given, delivers the log lines the codec wrote after each chunk.
inline int fuzzOne(const std::uint8_t* data, std::size_t size, zeph::windows::logging::LogBeacon* beacon) {
    constexpr std::size_t HeaderSize = 4;
    if (size < HeaderSize) {
        return 0;
    }
    const ConnectionState* const states[] = {&ConnectionState::Disconnected, &ConnectionState::Connecting,
                                             &ConnectionState::Connected};
    const auto firmware = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    const ConnectionState* connection = states[data[2] % 3];
    std::uint32_t seed = data[3] | 0x100u;
    const std::span<const std::uint8_t> stream(data + HeaderSize, size - HeaderSize);

    std::vector<std::uint8_t> buffer;
    for (std::size_t at = 0; at < stream.size();) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        const std::size_t chunk = std::min<std::size_t>(1 + seed % 97, stream.size() - at);
        buffer.insert(buffer.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                      stream.begin() + static_cast<std::ptrdiff_t>(at + chunk));
        at += chunk;
        drain(buffer, connection, firmware);
        if (beacon != nullptr) {
            beacon->flush();
        }
    }
    return 0;
}

}  // namespace quorvex::fuzz::frame_codec
