#include "session/EventTexts.h"
#include "session/FirmwareWindow.h"
#include "device/EventRecords.h"
#include "tests/helpers/CommaDecimalLocale.h"

#include <gtest/gtest.h>

using namespace quorvex::console;

TEST(ConsoleTextsTest, FirmwareWindowAcceptsZeroPointZeroZeroEightyFiveToNinetyEightOnly) {
    EXPECT_FALSE(isCompatibleFirmware({0, 84}));
    EXPECT_TRUE(isCompatibleFirmware({0, 85}));
    EXPECT_TRUE(isCompatibleFirmware({0, 98}));
    EXPECT_FALSE(isCompatibleFirmware({0, 99}));
    EXPECT_FALSE(isCompatibleFirmware({1, 90})) << "any other major number is refused";

    const FirmwareVersion version = firmwareVersionOf({static_cast<std::uint16_t>(96 << 4 | 0), 0});
    EXPECT_EQ(0, version.major);
    EXPECT_EQ(96, version.minor);
    EXPECT_EQ("0.0085", firmwareRevisionText({0, 85}));
    EXPECT_EQ("0.0100", firmwareRevisionText({0, 100}));
    EXPECT_EQ("0.2345", firmwareRevisionText({0, 12345})) << "the last four digits";
    // The box shows the number as the client's events do.
    EXPECT_EQ(
        "This QUORVEX unit is running an incompatible version of the firmware.\n\n"
        "Minimum supported version 0.0085\nMaximum supported version 0.0098\n\nCurrent Version 0.1808",
        incompatibleFirmwareText({0, 1808}));
    EXPECT_NE(std::string::npos, incompatibleFirmwareText({0, 100}).find("Current Version 0.0100"));
    EXPECT_NE(std::string::npos, incompatibleFirmwareText({1, 90}).find("Current Version 1.0090"))
        << "a refused major number is shown, not a version inside the window";
    EXPECT_EQ("0.4095", firmwareVersionText({0, 4095}));
}

TEST(ConsoleTextsTest, TheOperatorsTextsOfPassagesAndTriggers) {
    PassageRecord passage;
    passage.seconds = 1'700'000'000;  // 2023-11-14 22:13:20 UTC
    passage.microseconds = 123'456;
    passage.latitude = 51.5;
    passage.longitude = -0.125;
    passage.elevation = 35;
    EXPECT_EQ(
        "Pig passage detected at 22:13:20.123, Latitude = 51.500000, Longitude = -0.125000, "
        "Elevation = 35.000000.",
        passageText(passage));
    // Rounded to milliseconds, the sub-second part carries into the seconds (and the day).
    const struct {
        std::int32_t seconds;
        std::int32_t microseconds;
        const char* time;
    } times[] = {
        {1'700'000'000, 999'600, "22:13:21.000"}, {1'700'000'000, 999'499, "22:13:20.999"},
        {1'700'000'000, 500, "22:13:20.001"},     {1'700'000'000, 499, "22:13:20.000"},
        {1'700'006'399, 999'999, "00:00:00.000"}, {1'700'000'000, 1'000'000, "22:13:21.000"},
        {1'700'000'000, -1'000, "22:13:19.999"},
    };
    for (const auto& row : times) {
        passage.seconds = row.seconds;
        passage.microseconds = row.microseconds;
        EXPECT_NE(std::string::npos, passageText(passage).find(std::string(" at ") + row.time + ","))
            << row.microseconds << ": " << passageText(passage);
    }

    {
        // In the operator's own locale, as Qt sets it, the line still reads as the machines do.
        const quorvex::test::CommaDecimalLocale german;
        ASSERT_TRUE(german.active()) << german.failure();
        passage.seconds = 1'700'000'000;
        passage.microseconds = 123'456;
        EXPECT_EQ(
            "Pig passage detected at 22:13:20.123, Latitude = 51.500000, Longitude = -0.125000, "
            "Elevation = 35.000000.",
            passageText(passage));
    }

    RecordTriggeredRecord trigger;
    trigger.channel = 8;
    EXPECT_EQ("QUORVEX is recording magnetic disturbance.", recordingTriggerText(trigger));
    trigger.channel = 9;
    EXPECT_EQ("QUORVEX is recording legacy transmitter.", recordingTriggerText(trigger));
    trigger.channel = 3;
    EXPECT_EQ("QUORVEX is recording Korvid transmitter 3.", recordingTriggerText(trigger));
    trigger.channel = 300;
    EXPECT_EQ("QUORVEX is recording raw channel[#300].", recordingTriggerText(trigger));
}
