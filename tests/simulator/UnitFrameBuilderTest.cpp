#include "device/ChannelMapping.h"
#include "device/FrameCodec.h"
#include "simulator/EventBlocks.h"
#include "simulator/UnitProfile.h"
#include "tests/helpers/HexData.h"

#include <gtest/gtest.h>

namespace quorvex::simulator {
namespace {

using quorvex::test::readTestDataHex;

Bytes knownFrame(const std::string& name) {
    return readTestDataHex("frames/" + name + ".hex");
}

Bytes frameWith(std::uint32_t bit, Bytes block, std::size_t wake = 0) {
    return frameOf(payloadOf({{bit, std::move(block)}}), wake);
}

InitContent knownInit() {
    InitContent init;
    init.deviceName = "M450 123456";
    init.firmwareText = "\xB0\x05";  // the known-answer file carries the word, not a text
    init.batteryRaw = 3300;
    init.autoSelect = true;
    init.channelCode = 3;
    init.record.autoTrigger = true;
    init.record.recordingState = 1;
    init.record.folderValues = {1, 2, 3, 4, 5, 2};
    return init;
}

GpsContent knownGps() {
    return {1700000000, 5, 51.5f, -0.12f, 35.0f, 1.0f, 1};
}

TEST(UnitFrameBuilder, BuildsTheKnownAnswerFramesByteForByte) {
    EXPECT_EQ(frameWith(GainBit, gainBlock(7, 0)), knownFrame("good_gain_indicator"));
    EXPECT_EQ(frameWith(StopAckBit, {}), knownFrame("good_stop_streaming_ack"));
    EXPECT_EQ(frameWith(AdcBeginBit, {}), knownFrame("good_adc_polling_begin"));
    EXPECT_EQ(frameWith(AdcEndBit, adcEndBlock(3150)), knownFrame("good_adc_polling_end"));
    EXPECT_EQ(frameOf(payloadOf({})), knownFrame("good_empty_mask"));
    EXPECT_EQ(frameWith(StreamingBit, streamingBlock({}, RecordLayout::Renumbered66)),
              knownFrame("good_streaming_empty"));
    EXPECT_EQ(frameWith(GpsBit, gpsBlock(knownGps())), knownFrame("good_gps_information"));
    EXPECT_EQ(frameWith(InitBit, initBlock(knownInit())), knownFrame("good_initialization"));
    EXPECT_EQ(frameWith(GainBit, gainBlock(7, 0), 3), knownFrame("wake_bytes_gain"));
}

TEST(UnitFrameBuilder, PutsSeveralBlocksInAscendingBitOrder) {
    const Bytes payload = payloadOf(
        {{InitBit, initBlock(knownInit())}, {GpsBit, gpsBlock(knownGps())}, {GainBit, gainBlock(7, 0)}});
    EXPECT_EQ(frameOf(payload), knownFrame("init_gps_gain"));
}

TEST(UnitFrameBuilder, BlockSizesMatchTheConsolesEventTable) {
    const struct {
        std::uint32_t bit;
        Bytes block;
    } blocks[] = {
        {GainBit, gainBlock(1, 2)},
        {AdcEndBit, adcEndBlock(1)},
        {InitBit, initBlock(knownInit())},
        {PassageBit, passageBlock({})},
        {IgnoredBit, passageBlock({})},
        {RecordingStartedBit, recordingStartedBlock(1, 2)},
        {ModeChangedBit, modeChangedBlock(3, true)},
        {GpsBit, gpsBlock({})},
        {RecordModeBit, recordModeBlock({})},
        {StateInfoBit, stateInfoBlock({}, 1, 2, 3, true, 4)},
    };
    for (const auto& [bit, block] : blocks) {
        const Bytes frame = frameWith(bit, block);
        const FrameVerdict verdict = FrameCodec::parse(frame, ConnectionState::Connected, 96 << 4);
        EXPECT_EQ(verdict.result, FRAME_ACCEPTED) << "bit 0x" << std::hex << bit;
        EXPECT_EQ(verdict.consumed, frame.size());
    }
}

TEST(UnitFrameBuilder, StreamingRecordsFollowTheFirmwaresLayout) {
    SensorRecord record;
    record.channelCode = 0x0102;
    record.x = 0x11;
    record.extra = 0x22;
    record.signal = 0x33;
    record.transmitters = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47};
    record.values = {0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58};
    record.trailer = {0x61, 0x62};
    const SensorRecord three[] = {record, record, record};

    const Bytes renumbered = streamingBlock(three, RecordLayout::Renumbered66);
    ASSERT_EQ(renumbered.size(), 1u + 3 * 66);
    const std::uint8_t* r = renumbered.data() + 1 + 66;  // the second record
    EXPECT_EQ(r[0], 0x02);
    EXPECT_EQ(r[2], 0x11);
    EXPECT_EQ(r[14], 0x22);
    EXPECT_EQ(r[18], 0x33);
    EXPECT_EQ(r[19], 0x41);
    EXPECT_EQ(r[20], 0x47);  // transmitter 7
    EXPECT_EQ(r[21], 0x42);
    EXPECT_EQ(r[25], 0x46);
    EXPECT_EQ(r[26], 0x51);
    EXPECT_EQ(r[30], 0x52);
    EXPECT_EQ(r[34], 0x58);  // value 8
    EXPECT_EQ(r[38], 0x53);
    EXPECT_EQ(r[54], 0x57);
    EXPECT_EQ(r[58], 0x61);
    EXPECT_EQ(r[62], 0x62);

    const Bytes extended = streamingBlock(three, RecordLayout::Extended66);
    const std::uint8_t* e = extended.data() + 1;
    EXPECT_EQ(e[14], 0x22);
    EXPECT_EQ(e[18], 0x33);
    EXPECT_EQ(e[25], 0x47);
    EXPECT_EQ(e[26], 0x51);
    EXPECT_EQ(e[54], 0x58);
    EXPECT_EQ(e[58], 0x61);

    const Bytes shortLayout = streamingBlock(three, RecordLayout::Short62);
    ASSERT_EQ(shortLayout.size(), 1u + 3 * 62);
    const std::uint8_t* s = shortLayout.data() + 1;
    EXPECT_EQ(s[14], 0x33);
    EXPECT_EQ(s[21], 0x47);
    EXPECT_EQ(s[22], 0x51);
    EXPECT_EQ(s[50], 0x58);
    EXPECT_EQ(s[54], 0x61);
    EXPECT_EQ(s[58], 0x62);

    // The console's length check takes each layout only with a firmware that uses it.
    const Bytes long3 = frameWith(StreamingBit, renumbered);
    const Bytes short3 = frameWith(StreamingBit, shortLayout);
    EXPECT_EQ(FrameCodec::parse(long3, ConnectionState::Connected, 91 << 4).result, FRAME_ACCEPTED);
    EXPECT_EQ(FrameCodec::parse(long3, ConnectionState::Connected, 90 << 4).result,
              zeph::platform::ERROR_INVALID_DATA);
    EXPECT_EQ(FrameCodec::parse(short3, ConnectionState::Connected, 90 << 4).result, FRAME_ACCEPTED);
}

TEST(UnitProfile, ReadsTheFirmwareTextAsTheConsoleDoes) {
    EXPECT_EQ(firmwareMinor("V0.0096"), 96);
    EXPECT_EQ(firmwareMinor("V0.0085"), 85);
    EXPECT_EQ(firmwareMinor("rev 0.00905"), 91);  // 90.5 rounds half away from zero
    EXPECT_EQ(firmwareMinor("no digits"), 0);
    EXPECT_EQ(firmwareMinor(std::string_view("V0.0096\0 9", 10)), 96);
    // Beyond 12 bits the console reads the largest minor number, so the layout is the newest.
    EXPECT_EQ(firmwareMinor("V0.4186"), 4095);
    EXPECT_EQ(recordLayoutFor(firmwareMinor("V0.4186")), RecordLayout::Renumbered66);
    EXPECT_EQ(recordLayoutFor(90), RecordLayout::Short62);
    EXPECT_EQ(recordLayoutFor(91), RecordLayout::Extended66);
    EXPECT_EQ(recordLayoutFor(96), RecordLayout::Renumbered66);
}

TEST(UnitProfile, ChannelCodesMapBackToTheChannelThroughTheConsolesTable) {
    for (const std::uint16_t minor : {std::uint16_t{85}, std::uint16_t{91}, std::uint16_t{96}}) {
        for (int channel = 0; channel <= 9; ++channel) {
            EXPECT_EQ(mapChannelCode("M450", static_cast<std::uint16_t>(minor << 4),
                                     channelCodeFor("M450", minor, channel)),
                      channel)
                << "minor " << minor;
        }
    }
    // The M410 has one code for Mag and one for Legacy; the transmitters whose codes those are
    // cannot be told apart by the console.
    for (const int channel : {0, 1, 2, 6, 7, 8, 9}) {
        EXPECT_EQ(mapChannelCode("M410", 96 << 4, channelCodeFor("M410", 96, channel)), channel);
    }
    for (const int channel : {0, 1, 2, 5, 6, 7, 8, 9}) {
        EXPECT_EQ(mapChannelCode("M410", 91 << 4, channelCodeFor("M410", 91, channel)), channel);
    }
    // SELCHAN carries the M410's own code (the console translated Mag and Legacy already).
    EXPECT_EQ(channelCodeForSelection("M410", 96, 4), 4);
    EXPECT_EQ(channelCodeForSelection("M450", 96, 3), 4);
}

TEST(UnitProfile, RefusesWhatTheUnitCannotSend) {
    UnitProfile profile;
    EXPECT_EQ(profile.validate(), "");
    profile.model = "M999";
    EXPECT_NE(profile.validate(), "");
    profile = {};
    profile.serial = "1234567890AB";  // "M450 " + 12 > 15
    EXPECT_NE(profile.validate(), "");
    profile = {};
    profile.gain = 10;
    profile.clipping = 7;
    EXPECT_NE(profile.validate(), "");
    profile = {};
    profile.recordsPerFrame = 256;
    EXPECT_NE(profile.validate(), "");
}

}  // namespace
}  // namespace quorvex::simulator
