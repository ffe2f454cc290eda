#include "device/FrameCodec.h"

#include "device/EventDescriptor.h"
#include "support/logging/LogBeacon.h"

namespace {

using zeph::platform::DWORD;
using zeph::windows::logging::DebugLevel1;
using zeph::windows::logging::DebugLevel4;
using zeph::windows::logging::Error;
using zeph::windows::logging::LogBeacon;
using zeph::windows::logging::Warning;

constexpr const char* OnReadContext = "QuorvexSupervisor::onRead";
constexpr const char* PretranslateContext = "QuorvexSupervisor::pretranslateMessage";

std::size_t countWakeBytes(std::span<const std::uint8_t> bytes) {
    std::size_t count = 0;
    while (count < bytes.size() && bytes[count] == FrameCodec::WakeByte) {
        ++count;
    }
    return count;
}

std::uint32_t readMask(std::span<const std::uint8_t> payload) {
    return std::uint32_t{payload[0]} | std::uint32_t{payload[1]} << 8 | std::uint32_t{payload[2]} << 16 |
           std::uint32_t{payload[3]} << 24;
}

FrameVerdict rejected(FrameVerdict verdict, DWORD result, LinkReply reply) {
    verdict.result = result;
    verdict.reply = reply;
    return verdict;
}

PayloadVerdict lengthMismatch(PayloadVerdict verdict, std::size_t received, std::size_t expected) {
    LogBeacon::log(PretranslateContext, Error,
                   L"Message payload length mismatch, received %d bytes, expected %d bytes.", received,
                   expected);
    verdict.result = zeph::platform::ERROR_INVALID_DATA;
    return verdict;
}

PayloadVerdict notEstablished(PayloadVerdict verdict) {
    LogBeacon::log(PretranslateContext, Warning, L"Ignoring message - Connection not established.");
    verdict.result = zeph::platform::ERROR_NOT_READY;
    return verdict;
}

}  // namespace

std::span<const std::uint8_t> replyBytes(LinkReply reply) {
    switch (reply) {
        case LinkReply::Acknowledge:
            return ACKNOWLEDGE_BYTES;
        case LinkReply::NegativeAck:
            return NEGATIVE_ACK_BYTES;
        case LinkReply::PollAck:
            return POLL_ACK_BYTES;
        case LinkReply::None:
            break;
    }
    return {};
}

FrameVerdict FrameCodec::parse(std::span<const std::uint8_t> bytes, const ConnectionState& connection,
                               std::uint16_t firmwareWord) {
    LogBeacon::log(OnReadContext, DebugLevel1, L" ");
    LogBeacon::log(OnReadContext, DebugLevel4, L"Bytes read [%d]: %hs", bytes.size(), ByteDump(bytes));

    FrameVerdict verdict;
    const std::size_t skipped = countWakeBytes(bytes);
    if (skipped > 0) {
        LogBeacon::log(OnReadContext, Warning, L"Ignoring %d bytes from QUORVEX unit.", skipped);
        verdict.consumed = skipped;
    }
    const std::span<const std::uint8_t> frame = bytes.subspan(skipped);
    // Five bytes may hold a whole frame with an empty payload; no valid payload is empty, so it
    // waits for more like any partial frame and is rejected once more bytes arrive.
    if (frame.size() <= FrameOverhead) {
        LogBeacon::log(OnReadContext, Warning, L"ERROR_MORE_DATA.");
        return verdict;
    }
    if (frame[0] != SOH) {
        LogBeacon::log(OnReadContext, Error, L"Missing SOH.");
        return rejected(verdict, zeph::platform::ERROR_INVALID_DATA, LinkReply::NegativeAck);
    }
    const std::size_t length = std::size_t{frame[2]} | std::size_t{frame[3]} << 8;
    LogBeacon::log(OnReadContext, DebugLevel4, L"Expected payload length: %d", length);
    if (length > frame.size() - FrameOverhead) {
        LogBeacon::log(OnReadContext, Warning, L"ERROR_MORE_DATA.");
        return verdict;
    }
    if (frame[PayloadOffset + length] != EOT) {
        LogBeacon::log(OnReadContext, Error, L"Missing EOT.");
        return rejected(verdict, zeph::platform::ERROR_INVALID_DATA, LinkReply::NegativeAck);
    }
    const std::uint8_t extracted = frame[1];
    const std::uint8_t calculated = checksumOf(frame.subspan(2, length + 2));
    LogBeacon::log(OnReadContext, DebugLevel4, L"Extracted checksum: %d", extracted);
    LogBeacon::log(OnReadContext, DebugLevel4, L"Calculated checksum: %d", calculated);
    if (extracted != calculated) {
        LogBeacon::log(OnReadContext, Error, L"Checksum mismatch.");
        return rejected(verdict, FRAME_CHECKSUM_ERROR, LinkReply::NegativeAck);
    }

    verdict.payload = pretranslate(frame.subspan(PayloadOffset, length), connection, firmwareWord);
    switch (verdict.payload.result) {
        case zeph::platform::ERROR_NOT_READY:
            // Before the connection exists a frame gets no reply at all. Only this frame is dropped:
            // purging the line would also lose the Initialization Message right behind it.
            verdict.result = zeph::platform::ERROR_SUCCESS;
            verdict.consumed = skipped + length + FrameOverhead;
            return verdict;
        case FRAME_ACCEPTED:
            verdict.reply = LinkReply::Acknowledge;
            break;
        case zeph::platform::ERROR_SUCCESS:
            verdict.reply = LinkReply::PollAck;
            break;
        default:
            return rejected(verdict, verdict.payload.result, LinkReply::NegativeAck);
    }
    verdict.result = FRAME_ACCEPTED;
    verdict.consumed = skipped + length + FrameOverhead;
    verdict.payloadOffset = skipped + PayloadOffset;
    verdict.payloadLength = length;
    return verdict;
}

PayloadVerdict FrameCodec::pretranslate(std::span<const std::uint8_t> payload,
                                        const ConnectionState& connection, std::uint16_t firmwareWord) {
    LogBeacon::log(PretranslateContext, DebugLevel1, L" ");

    PayloadVerdict verdict;
    // The mask and, with the streaming bit, the count byte are read only once they are there.
    if (payload.size() < MaskSize) {
        return lengthMismatch(verdict, payload.size(), MaskSize);
    }
    verdict.eventMask = readMask(payload);
    LogBeacon::log(PretranslateContext, DebugLevel4, L"Event mask: 0x%.8X.", verdict.eventMask);
    // Until the Initialization Message tells the firmware, a streaming block's size is unknown:
    // a frame of a unit still streaming for an earlier console is dropped unjudged, never NAKed
    // (three NAKs would end the connection before the unit is even asked to initialise).
    const bool initialization = (verdict.eventMask & EventDescriptor::Initialization) != 0;
    if (!initialization && connection != ConnectionState::Connected) {
        return notEstablished(verdict);
    }
    const bool streaming = (verdict.eventMask & EventDescriptor::StreamingData) != 0;
    if (streaming && payload.size() <= MaskSize) {
        return lengthMismatch(verdict, payload.size(),
                              expectedPayloadSize(verdict.eventMask, 0, firmwareWord));
    }
    // The streaming block comes first, so its count byte follows the mask.
    const std::uint8_t count = streaming ? payload[MaskSize] : 0;
    const std::size_t expected = expectedPayloadSize(verdict.eventMask, count, firmwareWord);
    if (payload.size() != expected) {
        return lengthMismatch(verdict, payload.size(), expected);
    }

    verdict.becomesConnected = initialization;
    verdict.signalsResponse =
        (verdict.eventMask & (EventDescriptor::Initialization | EventDescriptor::GpsInformation)) != 0;
    const bool pollBegins = (verdict.eventMask & EventDescriptor::AdcPollingBegin) != 0;
    verdict.result = pollBegins ? zeph::platform::ERROR_SUCCESS : FRAME_ACCEPTED;
    return verdict;
}

std::size_t FrameCodec::expectedPayloadSize(std::uint32_t eventMask, std::uint8_t count,
                                            std::uint16_t firmwareWord) {
    // At most 4 + 313 + 255 x 66 bytes: no overflow, whatever the mask and count.
    std::size_t expected = MaskSize;
    for (const EventDescriptor& event : EventDescriptor::table()) {
        if ((eventMask & event.bit()) != 0) {
            expected += event.blockSize(count, firmwareWord);
        }
    }
    return expected;
}

std::uint8_t FrameCodec::checksumOf(std::span<const std::uint8_t> lengthAndPayload) {
    std::uint8_t checksum = 0;
    for (const std::uint8_t byte : lengthAndPayload) {
        checksum ^= byte;
    }
    return checksum;
}

ByteDump::operator std::string_view() const {
    if (!rendered_) {
        text_ = render(bytes_);
        rendered_ = true;
    }
    return text_;
}

std::string ByteDump::render(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 5);
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += "0x";
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}
