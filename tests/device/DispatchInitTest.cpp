#include "tests/device/DispatchFixture.h"

#include "device/ChannelRegistry.h"

#include <cstring>

using namespace quorvex::test;
using namespace zeph::windows::logging;

namespace {

using DispatchInit = DispatchTest;

struct InitFields {
    std::string name = "M450 123456";
    std::string firmware = "V0.0096";
    std::uint8_t autoTrigger = 1;
    std::uint8_t logging = 0;
    std::uint16_t batteryRaw = 868;
    std::uint8_t autoSelect = 0;
    std::uint16_t channel = 4;
    std::int8_t recordingState = -1;
    std::array<std::string, 5> folders = {"FOLDER1", "FOLDER2", "FOLDER3", "FOLDER4", "FOLDER5"};
    std::array<std::uint16_t, 6> folderValues = {1, 2, 3, 4, 5, 2};
    std::uint8_t recording = 1;
};

// The Initialization Message's 158-byte block.
std::vector<std::uint8_t> initPayload(const InitFields& f) {
    PayloadBuilder builder(0x0020);
    builder.text(f.name, 16).text(f.firmware, 16).u8(f.autoTrigger).u8(f.logging).u16(f.batteryRaw);
    builder.u8(f.autoSelect).u16(f.channel).u8(static_cast<std::uint8_t>(f.recordingState));
    for (const std::string& folder : f.folders) {
        builder.text(folder, 21);
    }
    for (const std::uint16_t value : f.folderValues) {
        builder.u16(value);
    }
    return builder.u8(f.recording).payload();
}

}  // namespace

TEST_F(DispatchInit, TheRecordAndTheDeviceStateTakeEveryField) {
    const auto posted = dispatch(initPayload({}));
    ASSERT_EQ(1u, posted.size());
    ASSERT_EQ(WM_QUORVEX_ON_INIT_EVT, posted[0].message);
    EXPECT_EQ(0u, posted[0].wParam);
    const InitRecord& record = recordOf<InitRecord>(posted[0]);
    EXPECT_EQ(0, std::memcmp(record.deviceName, "M450 123456\0\0\0\0\0", 16));
    EXPECT_EQ(firmwareWord(96), record.firmware[0]);
    EXPECT_EQ(0, record.firmware[1]);
    EXPECT_EQ(1, record.autoTrigger);
    EXPECT_EQ(0, record.logging);
    EXPECT_EQ(868, record.batteryRaw);
    EXPECT_EQ(0, record.autoSelect);
    EXPECT_EQ(3, record.channel);  // code 4 on an M450 with firmware 0.96
    EXPECT_EQ(-1, record.recordingState);
    EXPECT_EQ(0, std::memcmp(record.folderNames[4], "FOLDER5\0", 8));
    EXPECT_EQ(2, record.folderValues[5]);
    EXPECT_EQ(1, record.recording);

    const DeviceState& state = stack_.deviceState_;
    EXPECT_EQ("M450 123456", state.identity().deviceName);
    EXPECT_EQ("M450", state.identity().model);
    EXPECT_EQ("123456", state.identity().nameRemainder);
    EXPECT_EQ((FirmwareRevision{firmwareWord(96), 0}), state.firmware());
    EXPECT_TRUE(state.autoTrigger());
    EXPECT_FALSE(state.logging());
    EXPECT_EQ(-1, state.recordingState());
    EXPECT_TRUE(state.recording());
    EXPECT_EQ(13.0, state.batteryLevel());  // 868 x 15 / 1000
    EXPECT_EQ(ChannelRegistry::find(3), state.activeChannel());
    EXPECT_FALSE(state.autoSelect());
    EXPECT_EQ((WorkingFolderNames{"FOLDER1", "FOLDER2", "FOLDER3", "FOLDER4", "FOLDER5"}),
              state.workingFolderNames());
    EXPECT_EQ((FolderValues{1, 2, 3, 4, 5, 2}), state.folderValues());

    const auto lines = logAt(DebugLevel4);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L"Device Name: 0x4D 0x34 0x35 0x30 0x20 0x31 0x32 0x33 0x34 0x35 0x36 0x00 0x00 0x00 "
                        L"0x00 0x00"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L"Firware Revision: 0x56 0x30 0x2E 0x30 0x30 0x39 0x36 0x00 0x00 0x00 0x00 0x00 0x00 "
                        L"0x00 0x00 0x00"),
              lines.end());
}

TEST_F(DispatchInit, TheNewFirmwareChoosesTheStreamingLayoutOfLaterBlocks) {
    InitFields fields;
    fields.name = "M410 1";
    ASSERT_EQ(1u, dispatch(initPayload(fields)).size());
    EXPECT_EQ(8, stack_.deviceState_.activeChannel()->id);  // code 4 on an M410 with 0.96

    startStreaming();
    std::vector<std::uint8_t> sample(66, 0);
    sample[19] = 1;  // transmitter 1
    sample[20] = 7;  // transmitter 7 from 0.96 on
    const auto posted = dispatch(PayloadBuilder(0x0001).u8(1).bytes(sample).payload());
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(7, recordOf<StreamingSample>(posted[0]).transmitters[6]);
    EXPECT_EQ(0, recordOf<StreamingSample>(posted[0]).transmitters[1]);
}

TEST_F(DispatchInit, ARevisionBeyondTheWordIsReadAsTheLargestMinorAndItsTextLogged) {
    // 4186 and 6480 cut to 12 bits would be 90 and 96, revisions the console accepts.
    for (const std::string revision : {"V0.4186", "V1.6480"}) {
        InitFields fields;
        fields.firmware = revision;
        ASSERT_EQ(1u, dispatch(initPayload(fields)).size());
        EXPECT_EQ((FirmwareRevision{0xFFF0, 0}), stack_.deviceState_.firmware()) << revision;
        const auto lines = logAt(Warning);
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            L"Firmware revision [" + std::wstring(revision.begin(), revision.end()) +
                                L"] is beyond the largest minor number; read as 0.4095."),
                  lines.end())
            << revision;
    }
}

TEST_F(DispatchInit, FieldsFilledToTheirLastByteGiveTheirFullLengthAndNoMore) {
    InitFields fields;
    fields.name = "M450 1234567890X";      // 16 bytes, no zero
    fields.firmware = "VVVVVVVVVVVVVVVV";  // 16 bytes, no digit, and a digit right after it
    fields.autoTrigger = '7';
    fields.folders = {"ABCDEFGHIJKLMNOPQRSTU", "BCDEFGHIJKLMNOPQRSTUV", "C", "DDDDDDDDDDDDDDDDDDDDD",
                      "EEEEEEEEEEEEEEEEEEEEE"};  // 21 bytes each but one; the last before the values
    const auto posted = dispatch(initPayload(fields));
    ASSERT_EQ(1u, posted.size());
    const DeviceState& state = stack_.deviceState_;
    EXPECT_EQ("M450 1234567890X", state.identity().deviceName);
    EXPECT_EQ("1234567890X", state.identity().nameRemainder);
    EXPECT_EQ((FirmwareRevision{0, 0}), state.firmware());
    // A name is up to 20 characters: the 21st byte of a field without a zero byte is not one.
    EXPECT_EQ((WorkingFolderNames{"ABCDEFGHIJKLMNOPQRST", "BCDEFGHIJKLMNOPQRSTU", "C", "DDDDDDDDDDDDDDDDDDDD",
                                  "EEEEEEEEEEEEEEEEEEEE"}),
              state.workingFolderNames());
    const InitRecord& record = recordOf<InitRecord>(posted[0]);
    EXPECT_EQ(0, std::memcmp(record.deviceName, "M450 1234567890X", 16));
    EXPECT_EQ(0, std::memcmp(record.folderNames[0], "ABCDEFGHIJKLMNOPQRSTU", 21));
    EXPECT_EQ(0, std::memcmp(record.folderNames[4], "EEEEEEEEEEEEEEEEEEEEE", 21));
    EXPECT_EQ('7', record.autoTrigger);
}

TEST_F(DispatchInit, ARevisionTooLargeIsReportedAndReadsAsNoRevision) {
    stack_.deviceState_.setFirmware({firmwareWord(96), 0});
    InitFields fields;
    fields.firmware = "V999999999999999";
    const auto posted = dispatch(initPayload(fields));
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(0, recordOf<InitRecord>(posted[0]).firmware[0]);
    EXPECT_EQ((FirmwareRevision{0, 0}), stack_.deviceState_.firmware());
    const auto errors = logAt(Error);
    ASSERT_EQ(1u, errors.size());
    EXPECT_NE(std::wstring::npos, errors[0].find(L"can not be represented in the target integer type."))
        << std::string(errors[0].begin(), errors[0].end());
    // With no revision the old numbering holds: code 4 stays 4.
    EXPECT_EQ(4, recordOf<InitRecord>(posted[0]).channel);
}
