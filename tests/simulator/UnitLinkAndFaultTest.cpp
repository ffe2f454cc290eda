#include "tests/simulator/ConsoleEnd.h"

#include <gtest/gtest.h>

#include <poll.h>

namespace quorvex::simulator::test {
namespace {

using namespace std::chrono_literals;
using zeph::platform::ERROR_INVALID_DATA;

Bytes gainFrame(std::uint8_t gain, std::size_t wake = 0) {
    return frameOf(payloadOf({{GainBit, gainBlock(gain, 0)}}), wake);
}

TEST(UnitLink, ResendsANakedFrameUpToTheRetryLimit) {
    Rig rig;
    rig.initialise();
    rig.console->sendLine("INQGAIN");
    const auto first = rig.console->readFrame();
    ASSERT_TRUE(first);
    for (int attempt = 0; attempt < 3; ++attempt) {
        rig.console->reply(LinkReply::NegativeAck);
        const auto again = rig.console->readFrame();
        ASSERT_TRUE(again);
        EXPECT_EQ(again->bytes, first->bytes);
    }
    rig.console->reply(LinkReply::NegativeAck);  // the fourth refusal: the unit gives the frame up
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.framesAbandoned == 1; }, 10s));
    const UnitStatus status = rig.unit.status();
    EXPECT_EQ(status.resends, 3u);
    EXPECT_EQ(status.naks, 4u);
    EXPECT_EQ(status.transmissions, 5u);  // the initialisation and four tries
    EXPECT_EQ(rig.ask("INCGAIN").block(), (Bytes{9, 0}));
}

TEST(UnitLink, GivesUpAFrameThatIsNeverAnswered) {
    Rig rig;
    rig.initialise();
    rig.console->sendLine("INQGAIN");
    ASSERT_TRUE(rig.console->readFrame());
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.framesUnanswered == 1; }, 10s));
    EXPECT_EQ(rig.ask("INQGAIN").mask(), GainBit);
}

TEST(UnitLink, AStrayAnswerChangesNothing) {
    Rig rig;
    rig.initialise();
    rig.console->reply(LinkReply::NegativeAck);
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.strayReplies == 1; }, 10s));
    EXPECT_EQ(rig.ask("INQGAIN").mask(), GainBit);
}

TEST(UnitBattery, PollsWithTheHandshakeAndDefersCommandsMeanwhile) {
    Rig rig;
    rig.unit.pollBattery();  // held until the unit is initialised
    rig.unit.setBatteryRaw(1000);
    rig.initialise();

    const auto begin = rig.console->readFrame();
    ASSERT_TRUE(begin);
    EXPECT_EQ(begin->mask(), AdcBeginBit);
    EXPECT_EQ(begin->payload.size(), 4u);
    EXPECT_EQ(begin->verdict.payload.result, zeph::platform::ERROR_SUCCESS);  // answered with 0x07
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.polling; }, 10s));
    rig.console->sendLine("REQGPS");
    rig.console->sendLine("INCGAIN");
    rig.console->reply(LinkReply::PollAck);

    const auto end = rig.console->readFrame();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->mask(), AdcEndBit);
    EXPECT_EQ(end->block(), (Bytes{0xE8, 0x03}));
    rig.console->reply(LinkReply::Acknowledge);
    // What came in during the reading is carried out after it, in order.
    EXPECT_EQ(rig.console->readFrame()->mask(), GpsBit);
    rig.console->reply(LinkReply::Acknowledge);
    EXPECT_EQ(rig.console->readFrame()->block(), (Bytes{9, 0}));
    rig.console->reply(LinkReply::Acknowledge);

    const auto during = rig.unit.linesDuringPolling();
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(std::string(during[0].begin(), during[0].end()), "REQGPS\n");
    EXPECT_EQ(std::string(during[1].begin(), during[1].end()), "INCGAIN\n");
    const UnitStatus status = rig.unit.status();
    EXPECT_EQ(status.batteryPolls, 1u);
    EXPECT_EQ(status.lastPollReply, LinkReply::PollAck);
    EXPECT_FALSE(status.polling);
}

TEST(UnitBattery, PollsOnItsPeriodOnceInitialised) {
    UnitProfile profile = Rig::quietProfile();
    profile.batteryPeriod = 50ms;
    profile.batteryDuration = 0ms;
    Rig rig(profile);
    rig.initialise();
    for (int reading = 0; reading < 2; ++reading) {
        const auto begin = rig.console->readFrame();
        ASSERT_TRUE(begin);
        EXPECT_EQ(begin->mask(), AdcBeginBit);
        rig.console->reply(LinkReply::PollAck);
        const auto end = rig.console->readFrame();
        ASSERT_TRUE(end);
        EXPECT_EQ(end->mask(), AdcEndBit);
        rig.console->reply(LinkReply::Acknowledge);
    }
}

TEST(UnitFaults, ShapeTheFramesAsAsked) {
    Rig rig;
    rig.initialise();

    rig.unit.injectFault({FaultKind::BadChecksum, 1, {}});
    rig.console->sendLine("INQGAIN");
    const auto bad = rig.console->readFrame();
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->verdict.result, FRAME_CHECKSUM_ERROR);
    EXPECT_NE(bad->bytes, gainFrame(8));
    rig.console->reply(LinkReply::NegativeAck);
    const auto good = rig.console->readFrame();  // the resend is clean
    ASSERT_TRUE(good);
    EXPECT_EQ(good->bytes, gainFrame(8));
    rig.console->reply(LinkReply::Acknowledge);

    rig.unit.injectFault({FaultKind::WrongLength, 1, {}});
    rig.console->sendLine("INQGAIN");
    const auto longer = rig.console->readFrame();
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->verdict.result, ERROR_INVALID_DATA);
    EXPECT_EQ(longer->verdict.reply, ::LinkReply::NegativeAck);
    EXPECT_EQ(longer->bytes.size(), gainFrame(8).size() + 1);
    rig.console->reply(LinkReply::NegativeAck);
    EXPECT_EQ(rig.console->readFrame()->bytes, gainFrame(8));
    rig.console->reply(LinkReply::Acknowledge);

    rig.unit.injectFault({FaultKind::MissingEot, 1, {}});
    rig.console->sendLine("INQGAIN");
    Bytes withoutEot = gainFrame(8);
    withoutEot.pop_back();
    EXPECT_EQ(rig.console->readBytes(withoutEot.size()), withoutEot);
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.framesUnanswered == 1; }, 10s));
}

TEST(UnitFaults, SendGarbageAndWakeBytesAtOnce) {
    UnitProfile profile = Rig::quietProfile();
    profile.wakeBytes = 2;
    Rig rig(profile);
    rig.initialise();

    rig.unit.injectFault({FaultKind::Garbage, 8, {}});
    const auto garbage = rig.console->readFrame();
    ASSERT_TRUE(garbage);
    EXPECT_EQ(garbage->verdict.result, ERROR_INVALID_DATA);  // no SOH
    EXPECT_EQ(garbage->bytes.size(), 8u);

    rig.unit.injectFault({FaultKind::WakeFlood, 5, {}});
    EXPECT_EQ(rig.console->readBytes(5), Bytes(5, WakeByte));
    rig.console->sendLine("INQGAIN");
    const auto frame = rig.console->readFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->bytes, gainFrame(8, 2));  // every frame behind its wake bytes
}

TEST(UnitFaults, ASilentUnitHearsNothingUntilCleared) {
    Rig rig;
    rig.initialise();
    rig.unit.injectFault({FaultKind::Silence, 1, {}});
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.silent; }, 10s));
    rig.console->sendLine("INCGAIN");
    ASSERT_TRUE(rig.unit.waitForLine("INCGAIN", 10s));
    rig.unit.clearFaults();
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return !s.silent; }, 10s));
    EXPECT_EQ(rig.ask("INQGAIN").block(), (Bytes{8, 0}));  // the INCGAIN was never carried out
}

TEST(UnitFaults, AStreamThatWillNotStop) {
    Rig rig;
    rig.initialise();
    rig.unit.injectFault({FaultKind::NoStop, 1, {}});
    rig.console->sendLine("START");
    ASSERT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.streaming; }, 10s));
    rig.console->sendLine("STOP");
    rig.console->sendLine("REINIT");
    ASSERT_TRUE(rig.unit.waitForLine("REINIT", 10s));
    const auto before = rig.unit.status().streamingFrames;
    for (int i = 0; i < 3; ++i) {
        const auto frame = rig.console->readFrame();
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->mask(), StreamingBit);
        rig.console->reply(LinkReply::Acknowledge);
    }
    EXPECT_TRUE(
        rig.unit.waitUntil([&](const UnitStatus& s) { return s.streamingFrames >= before + 2; }, 10s));
    EXPECT_TRUE(rig.unit.status().streaming);
}

TEST(UnitFaults, TrickledFramesArriveWhole) {
    Rig rig;
    rig.initialise();
    rig.unit.injectFault({FaultKind::Trickle, 2, 1ms});
    EXPECT_EQ(rig.ask("INQGAIN").bytes, gainFrame(8));
    EXPECT_EQ(rig.ask("INCGAIN").bytes, gainFrame(9));
}

TEST(UnitFaults, HangUpEndsTheLineAndTheUnit) {
    Rig rig;
    rig.initialise();
    rig.unit.injectFault({FaultKind::HangUp, 1, {}});
    EXPECT_TRUE(rig.console->hungUp());
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.ended && !s.open; }, 10s));
    pollfd ended{rig.unit.endedDescriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&ended, 1, 10000), 1);
}

}  // namespace
}  // namespace quorvex::simulator::test
