#include "tests/device/DispatchFixture.h"

#include "device/ChannelRegistry.h"

#include <numeric>

using namespace quorvex::test;
using namespace zeph::windows::logging;

namespace {

using DispatchStreaming = DispatchTest;

// A record of that size whose byte i is i, but for its 16-bit channel code.
std::vector<std::uint8_t> record(std::size_t size, std::uint16_t channelCode) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    bytes[0] = static_cast<std::uint8_t>(channelCode);
    bytes[1] = static_cast<std::uint8_t>(channelCode >> 8);
    return bytes;
}

EventCounters& streamingCounters(DispatchStack& stack) {
    return *stack.eventCounters_.find(0x1);
}

}  // namespace

TEST_F(DispatchStreaming, TheFirstBlockAfterStartMovesToPlayingAndMarksItsRecords) {
    setUnit("M450 1", firmwareWord(96));
    startStreaming();
    const auto first = PayloadBuilder(0x0001).u8(2).bytes(record(66, 1)).bytes(record(66, 2)).payload();
    auto posted = dispatch(first);
    ASSERT_EQ(2u, posted.size());
    for (const auto& message : posted) {
        EXPECT_EQ(WM_QUORVEX_ON_STREAMING_EVT, message.message);
        EXPECT_EQ(1u, message.wParam);
    }
    EXPECT_EQ(1, recordOf<StreamingSample>(posted[0]).channel);
    EXPECT_EQ(2, recordOf<StreamingSample>(posted[1]).channel);
    EXPECT_EQ(&StreamingState::Playing, &stack_.deviceState_.streamingState());
    EXPECT_EQ(ChannelRegistry::find(2), stack_.deviceState_.activeChannel());
    EXPECT_EQ(1u, streamingCounters(stack_).count(EventCounters::Accepted));

    posted = dispatch(PayloadBuilder(0x0001).u8(1).bytes(record(66, 1)).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(0u, posted[0].wParam);
    EXPECT_EQ(2u, streamingCounters(stack_).count(EventCounters::Accepted));
    const auto lines = logAt(DebugLevel4);
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Number of records included: 2"), lines.end());
}

TEST_F(DispatchStreaming, RecordLayoutFollowsTheFirmware) {
    struct Case {
        unsigned minor;
        std::size_t recordSize;
        std::int32_t extra;
        std::uint8_t transmitter7;
        std::int32_t trailer2;
    };
    // extra: bytes 14-17; transmitter 7 at 21, 25 or 20; the second trailer at 58 or 62.
    const Case cases[] = {{90, 62, -1, 21, 0x3D3C3B3A},
                          {91, 66, 0x11100F0E, 25, 0x41403F3E},
                          {96, 66, 0x11100F0E, 20, 0x41403F3E}};
    for (const Case& c : cases) {
        setUnit("M450 1", firmwareWord(c.minor));
        stack_.deviceState_.setOperatingMode(OperatingMode::Streaming);
        stack_.deviceState_.setStreamingState(StreamingState::Playing);
        const auto payload = PayloadBuilder(0x0003)
                                 .u8(2)
                                 .bytes(record(c.recordSize, 1))
                                 .bytes(record(c.recordSize, 2))
                                 .u8(6)
                                 .u8(2)
                                 .payload();
        const auto posted = dispatch(payload);
        ASSERT_EQ(3u, posted.size()) << "0." << c.minor;
        for (int i = 0; i < 2; ++i) {
            const auto& sample = recordOf<StreamingSample>(posted[static_cast<std::size_t>(i)]);
            EXPECT_EQ(i + 1, sample.channel);
            EXPECT_EQ(0x05040302, sample.x);
            EXPECT_EQ(c.extra, sample.extra) << "0." << c.minor;
            EXPECT_EQ(c.transmitter7, sample.transmitters[6]) << "0." << c.minor;
            EXPECT_EQ(c.trailer2, sample.trailer[1]) << "0." << c.minor;
        }
        // The gain block is read right after the records of this firmware's size.
        EXPECT_EQ(6, recordOf<GainRecord>(posted[2]).gain) << "0." << c.minor;
    }
    EXPECT_TRUE(logAt(Error).empty());
}

TEST_F(DispatchStreaming, TheChannelIsRemappedByModelAndFirmware) {
    startStreaming();
    const auto payload = PayloadBuilder(0x0001).u8(1).bytes(record(66, 4)).payload();
    setUnit("M410 7", firmwareWord(96));
    auto posted = dispatch(payload);
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(8, recordOf<StreamingSample>(posted[0]).channel);
    EXPECT_EQ(ChannelRegistry::find(8), stack_.deviceState_.activeChannel());

    setUnit("M450 7", firmwareWord(96));
    posted = dispatch(payload);
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(3, recordOf<StreamingSample>(posted[0]).channel);
    EXPECT_EQ(ChannelRegistry::find(3), stack_.deviceState_.activeChannel());

    // A channel the table does not know leaves the active channel as it was.
    posted = dispatch(PayloadBuilder(0x0001).u8(1).bytes(record(66, 42)).payload());
    EXPECT_EQ(42, recordOf<StreamingSample>(posted[0]).channel);
    EXPECT_EQ(ChannelRegistry::find(3), stack_.deviceState_.activeChannel());
}

TEST_F(DispatchStreaming, AnEmptyBlockCountsAndTheNextBlockFollows) {
    setUnit("M450 1", firmwareWord(96));
    startStreaming();
    const auto posted = dispatch(PayloadBuilder(0x0003).u8(0).u8(9).u8(1).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_GAIN_EVT, posted[0].message);
    EXPECT_EQ(9, recordOf<GainRecord>(posted[0]).gain);
    EXPECT_EQ(1u, streamingCounters(stack_).count(EventCounters::Accepted));
}

TEST_F(DispatchStreaming, AnIgnoredBlockIsSkippedByItsOwnLength) {
    // Command mode: the block is not wanted, but the gain block behind it still is.
    for (const unsigned minor : {90u, 96u}) {
        setUnit("M450 1", firmwareWord(minor));
        const std::size_t size = minor < 91 ? 62 : 66;
        const auto payload = PayloadBuilder(0x0003).u8(1).bytes(record(size, 1)).u8(11).u8(5).payload();
        const auto posted = dispatch(payload);
        ASSERT_EQ(1u, posted.size());
        EXPECT_EQ(11, recordOf<GainRecord>(posted[0]).gain);
        EXPECT_EQ(5, recordOf<GainRecord>(posted[0]).clipping);
    }
    EXPECT_EQ(2u, streamingCounters(stack_).count(EventCounters::Ignored));
    EXPECT_EQ(0u, streamingCounters(stack_).count(EventCounters::Accepted));
    EXPECT_EQ((std::vector<std::wstring>{L"Message ignored.", L"Message ignored."}), logAt(Warning));
}

TEST_F(DispatchStreaming, BlocksAreIgnoredWhileStoppedOrEndingButNotWhilePaused) {
    setUnit("M450 1", firmwareWord(96));
    const auto payload = PayloadBuilder(0x0001).u8(1).bytes(record(66, 1)).payload();
    stack_.deviceState_.setOperatingMode(OperatingMode::Streaming);
    for (const StreamingState* state : {&StreamingState::Stopped, &StreamingState::Ending}) {
        stack_.deviceState_.setStreamingState(*state);
        EXPECT_TRUE(dispatch(payload).empty());
        EXPECT_EQ(state, &stack_.deviceState_.streamingState());
    }
    stack_.deviceState_.setStreamingState(StreamingState::Paused);
    EXPECT_EQ(1u, dispatch(payload).size());
    EXPECT_EQ(&StreamingState::Paused, &stack_.deviceState_.streamingState());
    EXPECT_EQ(2u, streamingCounters(stack_).count(EventCounters::Ignored));
    EXPECT_EQ(1u, streamingCounters(stack_).count(EventCounters::Accepted));
}

TEST_F(DispatchStreaming, RecordsBeyondThePayloadAreAnOverrunNotARead) {
    // A frame checked with 62-byte records, decoded after the unit reported firmware 0.96.
    setUnit("M450 1", firmwareWord(96));
    startStreaming();
    const auto payload =
        PayloadBuilder(0x0003).u8(2).bytes(record(62, 1)).bytes(record(62, 1)).u8(1).u8(1).payload();
    EXPECT_TRUE(dispatch(payload).empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Buffer Overrun Detected. Buffer length [131], offset [4]!"}),
              logAt(Error));
    EXPECT_EQ(0u, streamingCounters(stack_).total());
    EXPECT_EQ(&StreamingState::Beginning, &stack_.deviceState_.streamingState());

    // A streaming bit with no count byte at all.
    EXPECT_TRUE(dispatch(PayloadBuilder(0x0001).payload()).empty());
    EXPECT_EQ(2u, logAt(Error).size());
}
