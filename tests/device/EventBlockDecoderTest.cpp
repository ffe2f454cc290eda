#include "device/ChannelMapping.h"
#include "device/EventBlockDecoder.h"
#include "device/FirmwareRevisionText.h"

#include <gtest/gtest.h>

#include <locale>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t firmware(unsigned minor, unsigned major = 0) {
    return static_cast<std::uint16_t>(minor << 4 | major);
}

// A record whose byte i is i, so every field's value tells where it was read from.
std::vector<std::uint8_t> countingRecord(std::size_t size) {
    std::vector<std::uint8_t> record(size);
    std::iota(record.begin(), record.end(), std::uint8_t{0});
    return record;
}

// The little-endian 32-bit value at offset o of a counting record.
constexpr std::int32_t at(std::uint32_t o) {
    return static_cast<std::int32_t>(o | (o + 1) << 8 | (o + 2) << 16 | (o + 3) << 24);
}

}  // namespace

TEST(EventBlockDecoderStreaming, RecordsBeforeRevision091Have62BytesAndNoExtraValue) {
    const StreamingSample s = EventBlockDecoder::streamingSample(countingRecord(62), firmware(90));
    EXPECT_EQ(0x0100, s.channel);
    EXPECT_EQ(at(2), s.x);
    EXPECT_EQ(at(6), s.y);
    EXPECT_EQ(at(10), s.z);
    EXPECT_EQ(-1, s.extra);
    EXPECT_EQ(14, s.signal);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(15 + k, s.transmitters[k]) << "transmitter " << k + 1;
    }
    for (std::uint32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(at(22 + 4 * k), s.levels[k]) << "level " << k + 1;
    }
    EXPECT_EQ(at(54), s.trailer[0]);
    EXPECT_EQ(at(58), s.trailer[1]);
}

TEST(EventBlockDecoderStreaming, RecordsFrom091To095CarryTheExtraValueInOrder) {
    const StreamingSample s = EventBlockDecoder::streamingSample(countingRecord(66), firmware(95));
    EXPECT_EQ(at(14), s.extra);
    EXPECT_EQ(18, s.signal);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(19 + k, s.transmitters[k]) << "transmitter " << k + 1;
    }
    for (std::uint32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(at(26 + 4 * k), s.levels[k]) << "level " << k + 1;
    }
    EXPECT_EQ(at(58), s.trailer[0]);
    EXPECT_EQ(at(62), s.trailer[1]);
}

TEST(EventBlockDecoderStreaming, RecordsFrom096MoveTransmitter7AndLevel8Forward) {
    for (const std::uint16_t word : {firmware(96), firmware(0, 1)}) {
        const StreamingSample s = EventBlockDecoder::streamingSample(countingRecord(66), word);
        EXPECT_EQ(at(14), s.extra);
        EXPECT_EQ(18, s.signal);
        const std::uint8_t transmitters[7] = {19, 21, 22, 23, 24, 25, 20};
        const std::int32_t levels[8] = {at(26), at(30), at(38), at(42), at(46), at(50), at(54), at(34)};
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(transmitters[k], s.transmitters[k]) << "transmitter " << k + 1;
        }
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(levels[k], s.levels[k]) << "level " << k + 1;
        }
        EXPECT_EQ(at(58), s.trailer[0]);
        EXPECT_EQ(at(62), s.trailer[1]);
    }
}

TEST(EventBlockDecoderText, AFieldWithoutAZeroByteGivesItsFullLengthAndNothingMore) {
    const std::string bytes =
        "ABCDEFGHIJKLMNOP"
        "QRS";
    const std::vector<std::uint8_t> field(bytes.begin(), bytes.end());
    EXPECT_EQ("ABCDEFGHIJKLMNOP", EventBlockDecoder::fieldText(std::span(field).first(16)));
    const std::vector<std::uint8_t> terminated = {'M', '4', '5', '0', 0, 'X'};
    EXPECT_EQ("M450", EventBlockDecoder::fieldText(terminated));
    EXPECT_EQ("", EventBlockDecoder::fieldText({}));
}

TEST(EventBlockDecoderBattery, LevelIsWholeNumberArithmetic) {
    EXPECT_EQ(15.0, EventBlockDecoder::batteryLevel(1000));
    EXPECT_EQ(0.0, EventBlockDecoder::batteryLevel(66));       // 990 / 1000
    EXPECT_EQ(1.0, EventBlockDecoder::batteryLevel(67));       // 1005 / 1000, not 1.005
    EXPECT_EQ(983.0, EventBlockDecoder::batteryLevel(65535));  // no 16-bit overflow
}

TEST(FirmwareRevisionText, TheNumberFromTheFirstDigitTimes10000IsTheMinorNumber) {
    EXPECT_EQ((FirmwareRevision{firmware(96), 0}), parseFirmwareRevision("V0.0096").words);
    EXPECT_EQ((FirmwareRevision{firmware(91), 0}), parseFirmwareRevision("Rev 0.0091 beta").words);
    EXPECT_EQ((FirmwareRevision{firmware(95), 0}), parseFirmwareRevision("0.0095").words);
}

TEST(FirmwareRevisionText, AMinorNumberBeyondTwelveBitsSaturatesInsteadOfWrapping) {
    EXPECT_EQ(firmware(4095), parseFirmwareRevision("V0.4095").words[0]);
    EXPECT_FALSE(parseFirmwareRevision("V0.4095").saturated);
    // 9100, 4186 and 6480 would wrap to 908, 90 and 96; the last two are in the accepted window.
    for (const char* text : {"V0.91", "V0.4186", "V1.6480", "V0.4096"}) {
        const FirmwareRevisionParse parsed = parseFirmwareRevision(text);
        EXPECT_EQ(firmware(4095), parsed.words[0]) << text;
        EXPECT_TRUE(parsed.saturated) << text;
    }
}

TEST(FirmwareRevisionText, WithoutADigitBeforeTheFirstZeroByteTheWordsStayZero) {
    EXPECT_EQ((FirmwareRevision{0, 0}), parseFirmwareRevision("").words);
    EXPECT_EQ((FirmwareRevision{0, 0}), parseFirmwareRevision("Vx.y").words);
    EXPECT_EQ((FirmwareRevision{0, 0}), parseFirmwareRevision(std::string_view("V\0 0.0096", 9)).words);
}

TEST(FirmwareRevisionText, RoundsHalfAwayFromZero) {
    EXPECT_EQ(firmware(13), parseFirmwareRevision("V0.00125").words[0]);  // 12.5
    EXPECT_EQ(firmware(3), parseFirmwareRevision("V0.00025").words[0]);   // 2.5
    EXPECT_EQ(firmware(1), parseFirmwareRevision("V0.00005").words[0]);   // 0.5
    EXPECT_EQ(firmware(1), parseFirmwareRevision("V0.00014").words[0]);   // 1.4
}

TEST(FirmwareRevisionText, OnlyAPointIsADecimalPointWhateverTheLocale) {
    // A comma ends the number: "0,0096" reads as 0.
    EXPECT_EQ(0u, parseFirmwareRevision("V0,0096").words[0]);

    struct CommaPoint : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    const FirmwareRevisionParse parsed = parseFirmwareRevision("V0.0096");
    std::locale::global(previous);
    EXPECT_EQ(firmware(96), parsed.words[0]);
}

TEST(FirmwareRevisionText, ANumberTooLargeReportsTheRoundingErrorAndLeavesTheWordsZero) {
    const FirmwareRevisionParse largest = parseFirmwareRevision("214748.3647");
    EXPECT_TRUE(largest.roundingError.empty());
    EXPECT_EQ(0xFFF0u, largest.words[0]);

    for (const char* text : {"214748.3648", "9999999999999999"}) {
        const FirmwareRevisionParse parsed = parseFirmwareRevision(text);
        EXPECT_EQ((FirmwareRevision{0, 0}), parsed.words) << text;
        EXPECT_NE(std::string::npos,
                  parsed.roundingError.find("can not be represented in the target integer type."))
            << parsed.roundingError;
    }
    // More digits than a double can hold still ends in the same report, never in a crash.
    EXPECT_FALSE(parseFirmwareRevision(std::string(400, '9')).roundingError.empty());
}

TEST(ChannelMapping, M410SwapsMagAndLegacyByFirmware) {
    const std::pair<int, int> from096[] = {{3, 9}, {5, 9}, {4, 8}, {6, 6}, {8, 8}, {0, 0}};
    for (const auto& [code, channel] : from096) {
        EXPECT_EQ(channel, mapChannelCode("M410", firmware(96), code)) << code;
        EXPECT_EQ(channel, mapChannelCode("M410", firmware(0, 1), code)) << code;
    }
    const std::pair<int, int> from091[] = {{3, 8}, {4, 9}, {5, 5}, {9, 9}};
    for (const auto& [code, channel] : from091) {
        EXPECT_EQ(channel, mapChannelCode("M410", firmware(95), code)) << code;
    }
    for (int code = 0; code <= 10; ++code) {
        EXPECT_EQ(code, mapChannelCode("M410", firmware(90), code)) << code;
    }
}

TEST(ChannelMapping, OtherModelsShiftCodesFrom096Only) {
    const std::pair<int, int> from096[] = {{0, 0}, {1, 1}, {2, 2}, {3, 9}, {4, 3},  {5, 4},
                                           {6, 5}, {7, 6}, {8, 7}, {9, 8}, {10, 9}, {11, 11}};
    for (const auto& [code, channel] : from096) {
        EXPECT_EQ(channel, mapChannelCode("M450", firmware(96), code)) << code;
        EXPECT_EQ(channel, mapChannelCode("", firmware(96), code)) << code;
    }
    for (int code = 0; code <= 10; ++code) {
        EXPECT_EQ(code, mapChannelCode("M450", firmware(95), code)) << code;
    }
    // Only the exact model name "M410" is the M410.
    EXPECT_EQ(3, mapChannelCode("M4100", firmware(96), 4));
}
