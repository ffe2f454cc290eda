#include "device/FrameCodec.h"

#include "support/platform/ErrorCodes.h"
#include "tests/helpers/HexData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

using quorvex::test::readTestDataHex;
using zeph::platform::DWORD;
using zeph::platform::ERROR_INVALID_DATA;
using zeph::platform::ERROR_MORE_DATA;
using zeph::platform::ERROR_NOT_READY;
using zeph::platform::ERROR_SUCCESS;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t Firmware090 = 90 << 4;
constexpr std::uint16_t Firmware091 = 91 << 4;
constexpr std::uint16_t Firmware100 = 0x0001;

Bytes frameFile(const std::string& name) {
    return readTestDataHex("frames/" + name + ".hex");
}

// One row: a known-answer file read in one connection state and firmware, and everything the
// link layer must decide about it.
struct FrameCase {
    std::string file;
    const ConnectionState* connection;
    std::uint16_t firmware;
    DWORD result;
    std::size_t consumed;
    LinkReply reply;
    std::size_t payloadOffset = 0;
    std::size_t payloadLength = 0;
    DWORD payloadResult = ERROR_INVALID_DATA;
    bool connects = false;
    bool response = false;
};

std::ostream& operator<<(std::ostream& out, const FrameCase& row) {
    return out << row.file << " in state " << row.connection->value() << " firmware 0x" << std::hex
               << row.firmware;
}

const ConnectionState* const Connected = &ConnectionState::Connected;
const ConnectionState* const Connecting = &ConnectionState::Connecting;
const ConnectionState* const Disconnected = &ConnectionState::Disconnected;
constexpr LinkReply None = LinkReply::None;
constexpr LinkReply Ack = LinkReply::Acknowledge;
constexpr LinkReply Nak = LinkReply::NegativeAck;
constexpr LinkReply Poll = LinkReply::PollAck;

FrameCase accepted(std::string file, std::size_t length, bool response = false) {
    return {std::move(file), Connected,      Firmware091, FRAME_ACCEPTED, length + 5, Ack, 4,
            length,          FRAME_ACCEPTED, false,       response};
}

FrameCase rejected(std::string file, DWORD result, LinkReply reply,
                   DWORD payloadResult = ERROR_INVALID_DATA) {
    return {std::move(file), Connected, Firmware091, result, 0, reply, 0, 0, payloadResult};
}

FrameCase dropped(std::string file, std::size_t frameLength, const ConnectionState* connection,
                  std::uint16_t firmware = Firmware091) {
    return {std::move(file), connection, firmware, ERROR_SUCCESS, frameLength, None, 0, 0, ERROR_NOT_READY};
}

FrameCase in(FrameCase row, const ConnectionState* connection, std::uint16_t firmware = Firmware091) {
    row.connection = connection;
    row.firmware = firmware;
    return row;
}

const FrameCase frameCases[] = {
    // One good frame per event of the table.
    accepted("good_gain_indicator", 6),
    accepted("good_stop_streaming_ack", 4),
    accepted("good_adc_polling_end", 6),
    {"good_initialization", Connected, Firmware091, FRAME_ACCEPTED, 167, Ack, 4, 162, FRAME_ACCEPTED, true,
     true},
    accepted("good_pig_passage", 45),
    accepted("good_ignored_event", 45),
    accepted("good_recording_started", 10),
    accepted("good_mode_changed", 9),
    accepted("good_gps_information", 29, true),
    accepted("good_recording_mode_changed", 18),
    accepted("good_state_info", 23),
    accepted("good_empty_mask", 4),
    accepted("good_unknown_bits", 6),
    {"good_adc_polling_begin", Connected, Firmware091, FRAME_ACCEPTED, 9, Poll, 4, 4, ERROR_SUCCESS},
    // Streaming blocks are sized by the firmware: 66-byte records from 0.91 on, 62 before.
    accepted("good_streaming_3x66", 203),
    in(accepted("good_streaming_3x66", 203), Connected, Firmware100),
    in(rejected("good_streaming_3x66", ERROR_INVALID_DATA, Nak), Connected, Firmware090),
    in(accepted("good_streaming_2x62", 129), Connected, Firmware090),
    rejected("good_streaming_2x62", ERROR_INVALID_DATA, Nak),
    accepted("good_streaming_empty", 5),
    accepted("good_streaming_and_gain", 73),
    // Wake bytes are skipped and counted in the consumed bytes.
    {"wake_bytes_gain", Connected, Firmware091, FRAME_ACCEPTED, 14, Ack, 7, 6, FRAME_ACCEPTED},
    {"wake_bytes_only", Connected, Firmware091, ERROR_MORE_DATA, 4, None},
    {"wake_bytes_five_more", Connected, Firmware091, ERROR_MORE_DATA, 2, None},
    // Incomplete frames wait for more bytes without a reply.
    rejected("truncated_gain", ERROR_MORE_DATA, None),
    rejected("header_only", ERROR_MORE_DATA, None),
    rejected("length_past_buffer", ERROR_MORE_DATA, None),
    rejected("empty_payload", ERROR_MORE_DATA, None),
    // Framing and checksum errors are answered with a negative acknowledgement in any state.
    rejected("missing_soh", ERROR_INVALID_DATA, Nak),
    rejected("missing_eot", ERROR_INVALID_DATA, Nak),
    rejected("bad_checksum", FRAME_CHECKSUM_ERROR, Nak),
    in(rejected("missing_soh", ERROR_INVALID_DATA, Nak), Disconnected),
    in(rejected("bad_checksum", FRAME_CHECKSUM_ERROR, Nak), Connecting),
    // Payloads too short for their mask or count byte are length mismatches.
    rejected("empty_payload_then_soh", ERROR_INVALID_DATA, Nak),
    rejected("payload_1", ERROR_INVALID_DATA, Nak),
    rejected("payload_3", ERROR_INVALID_DATA, Nak),
    rejected("streaming_mask_only", ERROR_INVALID_DATA, Nak),
    rejected("streaming_gain_mask_only", ERROR_INVALID_DATA, Nak),
    rejected("gain_short", ERROR_INVALID_DATA, Nak),
    // Before the connection exists only the Initialization Message gets through; any other whole
    // frame is dropped alone, unanswered (the bytes behind it are parsed on).
    dropped("good_gain_indicator", 11, Connecting),
    dropped("good_gain_indicator", 11, Disconnected),
    dropped("good_gps_information", 34, Connecting),
    dropped("good_adc_polling_begin", 9, Connecting),
    dropped("wake_bytes_gain", 14, Disconnected),
    // A unit still streaming for an earlier console: its frames are dropped unanswered, whatever
    // layout the unknown firmware gives them (a NAK each would end the connection).
    dropped("good_streaming_3x66", 208, Connecting, 0),
    dropped("good_streaming_2x62", 134, Connecting),
    dropped("gain_short", 10, Disconnected),
    {"good_initialization", Connecting, Firmware091, FRAME_ACCEPTED, 167, Ack, 4, 162, FRAME_ACCEPTED, true,
     true},
    {"init_gps_gain", Disconnected, Firmware091, FRAME_ACCEPTED, 194, Ack, 4, 189, FRAME_ACCEPTED, true,
     true},
    // Only the first frame of a buffer is parsed.
    accepted("one_and_a_half", 6),
};

class FrameCodecResults : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameCodecResults, DecideResultConsumedBytesReplyAndEffects) {
    const FrameCase& row = GetParam();
    const Bytes bytes = frameFile(row.file);
    ASSERT_FALSE(bytes.empty());

    const FrameVerdict verdict = FrameCodec::parse(bytes, *row.connection, row.firmware);

    EXPECT_EQ(row.result, verdict.result);
    EXPECT_EQ(row.consumed, verdict.consumed);
    EXPECT_EQ(row.reply, verdict.reply);
    EXPECT_EQ(row.payloadOffset, verdict.payloadOffset);
    EXPECT_EQ(row.payloadLength, verdict.payloadLength);
    EXPECT_EQ(row.connects, verdict.payload.becomesConnected);
    EXPECT_EQ(row.response, verdict.payload.signalsResponse);
    EXPECT_EQ(row.payloadResult, verdict.payload.result);
}

INSTANTIATE_TEST_SUITE_P(KnownAnswerFrames, FrameCodecResults, ::testing::ValuesIn(frameCases),
                         [](const ::testing::TestParamInfo<FrameCase>& param) {
                             return std::to_string(param.index) + "_" + param.param.file;
                         });

}  // namespace

namespace {

Bytes toBytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Plays the serial read thread: appends each chunk to its buffer and parses until it needs more,
// dropping consumed bytes and discarding the buffer on a rejected frame.
class ReadLoop {
public:
    explicit ReadLoop(const ConnectionState& connection) : connection_(&connection) {}

    void feed(std::span<const std::uint8_t> chunk) {
        buffer_.insert(buffer_.end(), chunk.begin(), chunk.end());
        for (;;) {
            const FrameVerdict verdict = FrameCodec::parse(buffer_, *connection_, Firmware091);
            if (verdict.payload.becomesConnected) {
                connection_ = &ConnectionState::Connected;
            }
            if (verdict.reply != LinkReply::None) {
                replies.push_back(verdict.reply);
            }
            if (verdict.result == FRAME_ACCEPTED) {
                const auto payload = buffer_.begin() + static_cast<std::ptrdiff_t>(verdict.payloadOffset);
                payloads.emplace_back(payload, payload + static_cast<std::ptrdiff_t>(verdict.payloadLength));
            } else if (verdict.result != ERROR_MORE_DATA) {
                buffer_.clear();
                return;
            }
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(verdict.consumed));
            if (verdict.result == ERROR_MORE_DATA) {
                return;
            }
        }
    }

    std::vector<Bytes> payloads;
    std::vector<LinkReply> replies;
    std::size_t buffered() const { return buffer_.size(); }

private:
    const ConnectionState* connection_;
    Bytes buffer_;
};

Bytes payloadOf(const Bytes& frame) {
    return {frame.begin() + 4, frame.end() - 1};
}

TEST(FrameCodec, RepliesAreAControlByteAndALineFeed) {
    EXPECT_EQ((Bytes{0x06, 0x0A}), toBytes(replyBytes(LinkReply::Acknowledge)));
    EXPECT_EQ((Bytes{0x15, 0x0A}), toBytes(replyBytes(LinkReply::NegativeAck)));
    EXPECT_EQ((Bytes{0x07, 0x0A}), toBytes(replyBytes(LinkReply::PollAck)));
    EXPECT_TRUE(replyBytes(LinkReply::None).empty());
}

TEST(FrameCodec, EveryFrameOfAStreamArrivesWhateverTheChunkSizes) {
    const Bytes init = frameFile("init_gps_gain");
    const Bytes gain = frameFile("good_gain_indicator");
    const Bytes streaming = frameFile("good_streaming_3x66");
    const Bytes pollBegin = frameFile("good_adc_polling_begin");
    const Bytes empty = frameFile("good_empty_mask");
    const Bytes stream = concat({init, frameFile("wake_bytes_gain"), streaming, pollBegin, empty});
    const std::vector<Bytes> expected{payloadOf(init), payloadOf(gain), payloadOf(streaming),
                                      payloadOf(pollBegin), payloadOf(empty)};

    for (const std::size_t chunkSize :
         {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{64}, stream.size()}) {
        SCOPED_TRACE("chunks of " + std::to_string(chunkSize));
        ReadLoop loop(ConnectionState::Connecting);
        for (std::size_t at = 0; at < stream.size(); at += chunkSize) {
            loop.feed(std::span(stream).subspan(at, std::min(chunkSize, stream.size() - at)));
        }
        EXPECT_EQ(expected, loop.payloads);
        EXPECT_EQ((std::vector<LinkReply>{Ack, Ack, Ack, Poll, Ack}), loop.replies);
        EXPECT_EQ(0u, loop.buffered());
    }
}

TEST(FrameCodec, TheRestOfAHalfFrameCompletesItLater) {
    const Bytes gps = frameFile("good_gps_information");
    const Bytes oneAndAHalf = frameFile("one_and_a_half");
    ReadLoop loop(ConnectionState::Connected);

    loop.feed(oneAndAHalf);
    EXPECT_EQ((std::vector<Bytes>{payloadOf(frameFile("good_gain_indicator"))}), loop.payloads);
    EXPECT_EQ(17u, loop.buffered());

    loop.feed(std::span(gps).subspan(17));
    ASSERT_EQ(2u, loop.payloads.size());
    EXPECT_EQ(payloadOf(gps), loop.payloads[1]);
    EXPECT_EQ(0u, loop.buffered());
}

// A complete five-byte frame (empty payload) waits like a partial one; the next byte makes it a
// length mismatch, answered at once.
TEST(FrameCodec, AnEmptyPayloadIsRejectedOnceMoreBytesArrive) {
    ReadLoop loop(ConnectionState::Connected);
    loop.feed(frameFile("empty_payload"));
    EXPECT_TRUE(loop.replies.empty());
    EXPECT_EQ(5u, loop.buffered());

    loop.feed(frameFile("good_gain_indicator"));
    EXPECT_EQ((std::vector<LinkReply>{Nak}), loop.replies);
    EXPECT_TRUE(loop.payloads.empty());
    EXPECT_EQ(0u, loop.buffered());
}

TEST(FrameCodec, PayloadSizeCoversMaskAndEveryKnownBlock) {
    EXPECT_EQ(4u, FrameCodec::expectedPayloadSize(0, 0, Firmware091));
    EXPECT_EQ(4u + 2 + 158 + 25, FrameCodec::expectedPayloadSize(0x422, 0, Firmware091));
    EXPECT_EQ(4u + 1 + 3 * 62, FrameCodec::expectedPayloadSize(0x1, 3, Firmware090));
    // Every bit and the largest count: the largest payload any frame can need.
    EXPECT_EQ(4u + 313 + 1 + 255 * 66, FrameCodec::expectedPayloadSize(0xFFFFFFFF, 255, Firmware100));
}

TEST(FrameCodec, ChecksumIsTheXorOfLengthAndPayload) {
    const Bytes frame = frameFile("good_initialization");
    EXPECT_EQ(frame[1], FrameCodec::checksumOf(std::span(frame).subspan(2, frame.size() - 3)));
    EXPECT_EQ(0u, FrameCodec::checksumOf({}));
}

TEST(ByteDump, WritesEachByteAsTwoUpperCaseHexDigits) {
    EXPECT_EQ("0x01 0xAB 0x0A 0xFF 0x00", ByteDump::render(Bytes{0x01, 0xAB, 0x0A, 0xFF, 0x00}));
    EXPECT_EQ("", ByteDump::render({}));
    const Bytes bytes{0x5E};
    const ByteDump dump(bytes);
    EXPECT_EQ("0x5E", std::string_view(dump));
}

}  // namespace
