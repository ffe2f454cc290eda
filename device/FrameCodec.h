#pragma once

#include "device/DeviceValueSets.h"
#include "support/platform/ErrorCodes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The frame parser's own results; the others it returns are the Win32 codes ERROR_MORE_DATA (234),
// ERROR_INVALID_DATA (13) and, from a payload check, ERROR_NOT_READY (21).
using zeph::platform::FRAME_ACCEPTED;
using zeph::platform::FRAME_CHECKSUM_ERROR;

// The link layer's replies to a frame, each a control byte and a line feed, written straight to
// the port. The acknowledgement's write is awaited before the payload is queued; the poll
// acknowledgement's is not, and it counts the frame as good by itself.
enum class LinkReply { None, Acknowledge, NegativeAck, PollAck };

inline constexpr std::array<std::uint8_t, 2> ACKNOWLEDGE_BYTES{0x06, 0x0A};
inline constexpr std::array<std::uint8_t, 2> NEGATIVE_ACK_BYTES{0x15, 0x0A};
inline constexpr std::array<std::uint8_t, 2> POLL_ACK_BYTES{0x07, 0x0A};

// The bytes to write for a reply; empty for none.
std::span<const std::uint8_t> replyBytes(LinkReply reply);

// What the link layer makes of one payload that passed the frame checks.
struct PayloadVerdict {
    // FRAME_ACCEPTED; ERROR_SUCCESS when it is answered with the poll acknowledgement;
    // ERROR_INVALID_DATA when its length does not match its mask; ERROR_NOT_READY before the
    // connection is established.
    zeph::platform::DWORD result = zeph::platform::ERROR_INVALID_DATA;
    std::uint32_t eventMask = 0;    // valid once the payload holds a whole mask
    bool becomesConnected = false;  // it carries the Initialization Message
    bool signalsResponse = false;   // set the response event: Initialization or GPS Information
};

// What the link layer does about the bytes at the start of the read buffer.
struct FrameVerdict {
    // FRAME_ACCEPTED, ERROR_MORE_DATA, ERROR_INVALID_DATA or FRAME_CHECKSUM_ERROR; ERROR_SUCCESS
    // for a whole frame dropped unanswered before the connection (consumed, not queued).
    zeph::platform::DWORD result = zeph::platform::ERROR_MORE_DATA;
    std::size_t consumed = 0;  // bytes the caller may drop: wake bytes, plus the frame once accepted
    LinkReply reply = LinkReply::None;
    std::size_t payloadOffset = 0;  // the accepted payload within the buffer
    std::size_t payloadLength = 0;
    PayloadVerdict payload;  // filled once a whole frame passed its checks
};

// The pure part of the supervisor's onRead and pretranslateMessage: it parses and classifies
// bytes and logs what those operations log; the caller writes the reply, changes the connection
// state, sets the response event, counts the frame and queues the payload.
class FrameCodec {
public:
    static constexpr std::uint8_t WakeByte = 0x5E;
    static constexpr std::uint8_t SOH = 0x01;
    static constexpr std::uint8_t EOT = 0x04;
    // SOH, checksum, two length bytes and EOT around the payload.
    static constexpr std::size_t FrameOverhead = 5;
    static constexpr std::size_t PayloadOffset = 4;
    static constexpr std::size_t MaskSize = 4;

    // Parses at most one frame at the start of bytes, after any wake bytes; logs under the
    // context "QuorvexSupervisor::onRead" (its entry trace included).
    static FrameVerdict parse(std::span<const std::uint8_t> bytes, const ConnectionState& connection,
                              std::uint16_t firmwareWord);

    // Checks a payload against its mask and decides its link-level effects; logs under
    // "QuorvexSupervisor::pretranslateMessage".
    static PayloadVerdict pretranslate(std::span<const std::uint8_t> payload,
                                       const ConnectionState& connection, std::uint16_t firmwareWord);

    // The mask plus every known event's block; count is the streaming block's record count.
    static std::size_t expectedPayloadSize(std::uint32_t eventMask, std::uint8_t count,
                                           std::uint16_t firmwareWord);

    // XOR of the length field and the payload, as the frame's checksum byte covers them.
    static std::uint8_t checksumOf(std::span<const std::uint8_t> lengthAndPayload);
};

// Bytes as the log shows them, each "0x%.2X", separated by one blank. Passed to a log call as a
// %hs argument it renders only when an entry is formatted, so an unlogged read costs nothing.
// The bytes must outlive the dump.
class ByteDump {
public:
    explicit ByteDump(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    operator std::string_view() const;
    static std::string render(std::span<const std::uint8_t> bytes);

private:
    std::span<const std::uint8_t> bytes_;
    mutable std::string text_;  // rendered on first use
    mutable bool rendered_ = false;
};
