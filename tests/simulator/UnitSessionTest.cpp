#include "tests/simulator/ConsoleEnd.h"

#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorvex::simulator::test {
namespace {

using namespace std::chrono_literals;

std::uint16_t u16At(const Bytes& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t u32At(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

Bytes lineOf(std::string_view text) {
    Bytes line(text.begin(), text.end());
    line.push_back(0x0A);
    return line;
}

TEST(UnitSession, AnUninitialisedUnitAnswersOnlyRequestInit) {
    Rig rig;
    rig.console->sendLine("START");
    rig.console->sendLine("INQGAIN");
    const ConsoleEnd::Frame init = rig.initialise();
    EXPECT_EQ(init.payload.size(), 4u + 158);
    const Bytes block = init.block();
    EXPECT_EQ(std::string(block.begin(), block.begin() + 12), std::string("M450 123456\0", 12));
    EXPECT_EQ(std::string(block.begin() + 16, block.begin() + 24), std::string("V0.0096\0", 8));
    EXPECT_EQ(u16At(block, 34), 3150);  // battery raw
    EXPECT_EQ(block[36], 1);            // auto select
    // The ignored START: the first answer after initialisation is the gain, not a stream.
    EXPECT_EQ(rig.ask("INQGAIN").mask(), GainBit);
    EXPECT_FALSE(rig.unit.status().streaming);
}

TEST(UnitSession, AnswersEveryCommandWithItsEvent) {
    Rig rig;
    rig.initialise();

    EXPECT_EQ(rig.ask("INQGAIN").block(), (Bytes{8, 0}));
    EXPECT_EQ(rig.ask("INCGAIN").block(), (Bytes{9, 0}));
    EXPECT_EQ(rig.ask("DECGAIN").block(), (Bytes{8, 0}));
    EXPECT_EQ(rig.ask("MRRESET").mask(), GainBit);

    const auto channel = rig.ask("SELCHAN3");
    EXPECT_EQ(channel.mask(), ModeChangedBit);
    EXPECT_EQ(u32At(channel.block(), 0), 4u);  // transmitter 3 of an M450 at 0.0096
    EXPECT_EQ(channel.block()[4], 0);
    EXPECT_EQ(rig.ask("SELCHAN0").block()[4], 1);

    const auto gps = rig.ask("REQGPS");
    EXPECT_EQ(gps.mask(), GpsBit);
    EXPECT_EQ(gps.block().size(), 25u);
    EXPECT_EQ(u32At(gps.block(), 8), std::bit_cast<std::uint32_t>(51.5f));
    EXPECT_EQ(gps.block()[24], 3);

    const auto folder = rig.ask("SETWFOLD2");
    EXPECT_EQ(folder.mask(), RecordModeBit);
    EXPECT_EQ(u16At(folder.block(), 12), 2);
    rig.console->sendLine("SETWFOLD7");  // no such folder: no answer, the next command answers first
    const auto automatic = rig.ask("SETRECAUTO");
    EXPECT_EQ(automatic.mask(), RecordModeBit);
    EXPECT_EQ(automatic.block()[0], 1);
    EXPECT_EQ(automatic.block()[1], 1);
    EXPECT_EQ(u16At(automatic.block(), 12), 2);
    const auto manual = rig.ask("SETRECMAN");
    EXPECT_EQ(manual.block()[0], 0);
    EXPECT_EQ(manual.block()[1], 0xFF);

    const auto started = rig.ask("STARTREC");
    EXPECT_EQ(started.mask(), RecordingStartedBit);
    EXPECT_EQ(u32At(started.block(), 0), 1u);
    EXPECT_EQ(u32At(rig.ask("STOPREC").block(), 0), 0u);

    const auto state = rig.ask("REQSTATE");
    EXPECT_EQ(state.mask(), StateInfoBit);
    EXPECT_EQ(state.block().size(), 19u);

    const auto lines = rig.unit.receivedLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), lineOf("SETWFOLD7")), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), Bytes{0x06, 0x0A}), lines.end());
}

TEST(UnitSession, KeepsGainWithinItsRange) {
    Rig rig;
    rig.initialise();
    ConsoleEnd::Frame last;
    for (int i = 0; i < 10; ++i) {
        last = rig.ask("INCGAIN");
    }
    EXPECT_EQ(last.block(), (Bytes{16, 0}));
    for (int i = 0; i < 20; ++i) {
        last = rig.ask("DECGAIN");
    }
    EXPECT_EQ(last.block(), (Bytes{0, 0}));
    ASSERT_TRUE(rig.unit.setGain(10, 6));
    EXPECT_FALSE(rig.unit.setGain(10, 7));
    EXPECT_EQ(rig.console->readEvent()->block(), (Bytes{10, 6}));
    rig.console->reply(LinkReply::Acknowledge);
    EXPECT_EQ(rig.ask("INCGAIN").block(), (Bytes{10, 6}));
}

TEST(UnitSession, StreamsInTheFirmwaresLayoutUntilStopped) {
    for (const auto& [firmware, word, size] :
         {std::tuple{"V0.0096", 96, 66}, std::tuple{"V0.0088", 88, 62}}) {
        UnitProfile profile = Rig::quietProfile();
        profile.firmware = firmware;
        profile.recordsPerFrame = 3;
        Rig rig(profile);
        rig.initialise();
        rig.console->sendLine("START");
        for (int i = 0; i < 3; ++i) {
            const auto frame = rig.console->readFrame(static_cast<std::uint16_t>(word << 4));
            ASSERT_TRUE(frame);
            ASSERT_EQ(frame->verdict.result, FRAME_ACCEPTED) << firmware;
            EXPECT_EQ(frame->mask(), StreamingBit);
            EXPECT_EQ(frame->payload.size(), 4u + 1 + 3 * static_cast<std::size_t>(size));
            rig.console->reply(LinkReply::Acknowledge);
        }
        rig.console->sendLine("STOP");
        const auto stop = rig.console->readEvent();
        ASSERT_TRUE(stop);
        EXPECT_EQ(stop->mask(), StopAckBit);
        rig.console->reply(LinkReply::Acknowledge);
        EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return !s.streaming; }, 10s));
        EXPECT_GE(rig.unit.status().streamingFrames, 3u);
    }
}

TEST(UnitSession, ReinitialiseEndsAStreamWithItsAcknowledgement) {
    Rig rig;
    rig.initialise();
    rig.console->sendLine("START");
    ASSERT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.streaming; }, 10s));
    rig.console->sendLine("REINIT");
    const auto stop = rig.console->readEvent();
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->mask(), StopAckBit);
}

TEST(UnitSession, EventsAskedForBeforeInitialisationAreHeldNotLost) {
    Rig rig;
    GpsFix where;
    where.latitude = 10.5f;
    rig.unit.passage({3, where, 77});
    rig.unit.ignoredEvent({2, std::nullopt, 1});
    rig.unit.recordingTrigger(8);
    rig.initialise();

    const auto passage = rig.console->readEvent();
    ASSERT_TRUE(passage);
    EXPECT_EQ(passage->mask(), PassageBit);
    EXPECT_EQ(passage->block().size(), 41u);
    EXPECT_EQ(u32At(passage->block(), 8), 77u);
    EXPECT_EQ(u16At(passage->block(), 19), 4);  // transmitter 3's code
    EXPECT_EQ(u32At(passage->block(), 25), std::bit_cast<std::uint32_t>(10.5f));
    rig.console->reply(LinkReply::Acknowledge);
    EXPECT_EQ(rig.console->readEvent()->mask(), IgnoredBit);
    rig.console->reply(LinkReply::Acknowledge);
    const auto trigger = rig.console->readEvent();
    EXPECT_EQ(trigger->mask(), RecordingStartedBit);
    EXPECT_EQ(u16At(trigger->block(), 4), 9);  // Mag
    rig.console->reply(LinkReply::Acknowledge);
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.passagesSent == 2; }, 10s));
}

TEST(UnitSession, ManyPassagesAllArriveInOrder) {
    Rig rig;
    rig.initialise();
    constexpr std::uint32_t Count = 300;
    for (std::uint32_t i = 0; i < Count; ++i) {
        rig.unit.passage({1, std::nullopt, i});
    }
    for (std::uint32_t i = 0; i < Count; ++i) {
        const auto frame = rig.console->readEvent();
        ASSERT_TRUE(frame);
        ASSERT_EQ(u32At(frame->block(), 8), i);
        rig.console->reply(LinkReply::Acknowledge);
    }
    EXPECT_TRUE(rig.unit.waitUntil([](const UnitStatus& s) { return s.passagesSent == Count; }, 10s));
}

TEST(UnitSession, LinksItsLineIntoAPortDirectory) {
    quorvex::test::TemporaryFolder folder;
    const zeph::windows::communication::PortDirectory directory(folder.path() / "ports");
    UnitSimulator unit;
    int number = 0;
    EXPECT_EQ(unit.registerComPort(directory, number), zeph::platform::ERROR_INVALID_HANDLE);
    ASSERT_EQ(unit.openPseudoTerminal(), 0u);
    ASSERT_EQ(unit.registerComPort(directory, number), 0u);
    EXPECT_EQ(std::filesystem::read_symlink(directory.linkPath(number)), unit.portName());
}

}  // namespace
}  // namespace quorvex::simulator::test
