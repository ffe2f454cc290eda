#include "tests/device/DispatchFixture.h"

#include "device/ChannelRegistry.h"

using namespace quorvex::test;
using namespace zeph::windows::logging;

namespace {

using DispatchRecords = DispatchTest;

// A passage block: 1700000000.250000 s, value 4000000000, flag 9, values 11 12 13, channel code 4,
// detail -5, then latitude, longitude, elevation and a fourth value.
std::vector<std::uint8_t> passagePayload(std::uint32_t mask, std::uint32_t microseconds = 250000) {
    return PayloadBuilder(mask)
        .u32(1700000000)
        .u32(microseconds)
        .u32(4000000000u)
        .u8(9)
        .u16(11)
        .u16(12)
        .u16(13)
        .u16(4)
        .u32(static_cast<std::uint32_t>(-5))
        .f32(52.5f)
        .f32(-1.25f)
        .f32(130.75f)
        .f32(0.5f)
        .payload();
}

}  // namespace

TEST_F(DispatchRecords, APassageRemapsItsChannelAndEndsRecording) {
    setUnit("M410 1", firmwareWord(96));
    stack_.deviceState_.setRecording(true);
    const auto posted = dispatch(passagePayload(0x0040));
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_PASSAGE_EVT, posted[0].message);
    const PassageRecord& record = recordOf<PassageRecord>(posted[0]);
    EXPECT_EQ(1700000000, record.seconds);
    EXPECT_EQ(250000, record.microseconds);
    EXPECT_EQ(4000000000.0f, record.value);
    EXPECT_EQ(9, record.flag);
    EXPECT_EQ(11, record.values[0]);
    EXPECT_EQ(13, record.values[2]);
    EXPECT_EQ(8, record.values[3]);
    EXPECT_EQ(-5, record.detail);
    EXPECT_EQ(52.5, record.latitude);
    EXPECT_EQ(-1.25, record.longitude);
    EXPECT_EQ(130.75, record.elevation);
    EXPECT_EQ(0.5, record.fourth);
    EXPECT_FALSE(stack_.deviceState_.recording());
}

// Microseconds past a second (or below zero) would print as five-digit milliseconds: the fault
// is held within the second and logged once.
TEST_F(DispatchRecords, OutOfRangeMicrosecondsAreClampedAndLogged) {
    setUnit("M450 1", firmwareWord(96));
    const struct {
        std::uint32_t sent;
        std::int32_t kept;
    } rows[] = {{999'999, 999'999},
                {0, 0},
                {1'000'000, 999'999},
                {64'536'000, 999'999},
                {static_cast<std::uint32_t>(-1), 0},
                {0x80000000u, 0}};
    for (const auto& row : rows) {
        for (const std::uint32_t mask : {0x0040u, 0x0080u}) {
            const auto posted = dispatch(passagePayload(mask, row.sent));
            ASSERT_EQ(1u, posted.size());
            EXPECT_EQ(row.kept, recordOf<PassageRecord>(posted[0]).microseconds) << row.sent;
        }
    }
    EXPECT_EQ(
        (std::vector<std::wstring>{L"Passage time microseconds [1000000] out of range, taken as [999999].",
                                   L"Passage time microseconds [1000000] out of range, taken as [999999].",
                                   L"Passage time microseconds [64536000] out of range, taken as [999999].",
                                   L"Passage time microseconds [64536000] out of range, taken as [999999].",
                                   L"Passage time microseconds [-1] out of range, taken as [0].",
                                   L"Passage time microseconds [-1] out of range, taken as [0].",
                                   L"Passage time microseconds [-2147483648] out of range, taken as [0].",
                                   L"Passage time microseconds [-2147483648] out of range, taken as [0]."}),
        logAt(Warning));
}

TEST_F(DispatchRecords, AnIgnoredEventsChannelCodeIsRenumberedLikeAPassages) {
    setUnit("M410 1", firmwareWord(96));
    stack_.deviceState_.setRecording(true);
    const auto posted = dispatch(passagePayload(0x0080));
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_IGNORED_EVT, posted[0].message);
    EXPECT_EQ(8, recordOf<PassageRecord>(posted[0]).values[3]) << "code 4 of an M410 at 0.96 is Mag";
    setUnit("M450 1", firmwareWord(96));
    EXPECT_EQ(3, recordOf<PassageRecord>(dispatch(passagePayload(0x0080))[0]).values[3])
        << "the demo's pig on channel 3 is sent as code 4";
    EXPECT_EQ(52.5, recordOf<PassageRecord>(posted[0]).latitude);
    EXPECT_FALSE(stack_.deviceState_.recording());
}

TEST_F(DispatchRecords, RecordingStartedSetsTheChannelAndRecording) {
    setUnit("M450 1", firmwareWord(96));
    const auto posted =
        dispatch(PayloadBuilder(0x0100).u32(static_cast<std::uint32_t>(-2)).u16(10).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_REC_TRGRD_EVT, posted[0].message);
    EXPECT_EQ(-2, recordOf<RecordTriggeredRecord>(posted[0]).value);
    EXPECT_EQ(9, recordOf<RecordTriggeredRecord>(posted[0]).channel);
    EXPECT_EQ(ChannelRegistry::find(9), stack_.deviceState_.activeChannel());
    EXPECT_TRUE(stack_.deviceState_.recording());
}

TEST_F(DispatchRecords, ModeChangedSelectsTheChannelAndItsSelectionMode) {
    setUnit("M450 1", firmwareWord(96));
    auto posted = dispatch(PayloadBuilder(0x0200).u32(6).u8(0).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT, posted[0].message);
    EXPECT_EQ(5u, recordOf<ChannelChangeRecord>(posted[0]).channel);
    EXPECT_EQ(0, recordOf<ChannelChangeRecord>(posted[0]).autoSelect);
    EXPECT_EQ(ChannelRegistry::find(5), stack_.deviceState_.activeChannel());
    EXPECT_FALSE(stack_.deviceState_.autoSelect());

    posted = dispatch(PayloadBuilder(0x0200).u32(9).u8(1).payload());
    EXPECT_EQ(8u, recordOf<ChannelChangeRecord>(posted[0]).channel);
    EXPECT_TRUE(stack_.deviceState_.autoSelect());
    EXPECT_EQ((std::vector<std::wstring>{L"Event: QUORVEX_MODE_CHNG_EVT, Offset 4", L"Changing to 5",
                                         L"Event: QUORVEX_MODE_CHNG_EVT, Offset 4", L"Changing to Mag"}),
              logAt(Information));
}

TEST_F(DispatchRecords, GpsInformationReachesRecordAndState) {
    const auto posted = dispatch(
        PayloadBuilder(0x0400).u32(3).u32(4).f32(52.25f).f32(4.5f).f32(-3.0f).f32(1.75f).u8(7).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_GPS_INFO_EVT, posted[0].message);
    const GpsRecord& record = recordOf<GpsRecord>(posted[0]);
    EXPECT_EQ(3, record.values[0]);
    EXPECT_EQ(4, record.values[1]);
    EXPECT_EQ(52.25, record.latitude);
    EXPECT_EQ(4.5, record.longitude);
    EXPECT_EQ(-3.0, record.elevation);
    EXPECT_EQ(1.75, record.hdop);
    EXPECT_EQ(7, record.quality);
    const GpsValues gps = stack_.deviceState_.gps();
    EXPECT_EQ((std::array<double, 4>{52.25, 4.5, -3.0, 1.75}), gps.values);
    EXPECT_EQ(7, gps.flag);
}

TEST_F(DispatchRecords, RecordingModeChangedUpdatesTheRecordingFields) {
    stack_.deviceState_.setAutoTrigger(true);
    const auto posted =
        dispatch(PayloadBuilder(0x0800).u8(0).u8(0xFF).u16(6).u16(5).u16(4).u16(3).u16(2).u16(1).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(WM_QUORVEX_ON_REC_CHNG_EVT, posted[0].message);
    const RecordModeRecord& record = recordOf<RecordModeRecord>(posted[0]);
    EXPECT_EQ(0, record.autoTrigger);
    EXPECT_EQ(-1, record.recordingState);
    EXPECT_EQ(6, record.folderValues[0]);
    EXPECT_EQ(1, record.folderValues[5]);
    EXPECT_FALSE(stack_.deviceState_.autoTrigger());
    EXPECT_TRUE(stack_.deviceState_.logging());
    EXPECT_EQ(-1, stack_.deviceState_.recordingState());
    EXPECT_EQ((FolderValues{6, 5, 4, 3, 2, 1}), stack_.deviceState_.folderValues());
}
