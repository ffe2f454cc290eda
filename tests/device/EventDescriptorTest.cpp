#include "device/EventDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row {
    std::uint32_t bit;
    std::wstring name;
    std::size_t fixedSize;
    bool operator==(const Row&) const = default;
};

TEST(EventDescriptor, TableHoldsTheThirteenEventsInBitOrder) {
    const std::vector<Row> expected{
        {0x0001, L"Streaming Data Message", 1},
        {0x0002, L"Gain Indicator Message", 2},
        {0x0004, L"Stop Streaming Acknowledgement", 0},
        {0x0008, L"ADC Polling Begin", 0},
        {0x0010, L"ADC Polling End", 2},
        {0x0020, L"Initialization Message", 158},
        {0x0040, L"Pig Passage Detected", 41},
        {0x0080, L"Ignored Event Message", 41},
        {0x0100, L"Recording Started", 6},
        {0x0200, L"Mode Changed", 5},
        {0x0400, L"GPS Information", 25},
        {0x0800, L"Recording Mode Changed", 14},
        {0x1000, L"State Info", 19},
    };
    std::vector<Row> actual;
    for (const EventDescriptor& event : EventDescriptor::table()) {
        actual.push_back({event.bit(), event.name(), event.fixedSize()});
        EXPECT_EQ(&event, EventDescriptor::find(event.bit()));
        EXPECT_EQ(event.bit() == EventDescriptor::StreamingData, event.hasRecords());
    }
    EXPECT_EQ(expected, actual);
    EXPECT_EQ(nullptr, EventDescriptor::find(0x2000));
    EXPECT_EQ(nullptr, EventDescriptor::find(0x3));
    EXPECT_EQ(nullptr, EventDescriptor::find(0));
}

TEST(EventDescriptor, FirmwareWordReadsMajorInLowBitsAndMinorAbove) {
    EXPECT_FALSE(firmwareAtLeast(90 << 4, 91));  // 0.90
    EXPECT_TRUE(firmwareAtLeast(91 << 4, 91));   // 0.91
    EXPECT_TRUE(firmwareAtLeast(96 << 4, 91));   // 0.96
    EXPECT_FALSE(firmwareAtLeast(95 << 4, 96));  // 0.95
    EXPECT_TRUE(firmwareAtLeast(0x0001, 91));    // 1.0
    EXPECT_TRUE(firmwareAtLeast(0x05A1, 96));    // 1.90: any major above 0 is later
    EXPECT_FALSE(firmwareAtLeast(0x0000, 91));   // nothing known yet
    EXPECT_TRUE(firmwareAtLeast(0xFFF0, 91));    // 0.4095
}

TEST(EventDescriptor, StreamingBlockIsACountByteAndItsRecords) {
    const EventDescriptor* streaming = EventDescriptor::find(EventDescriptor::StreamingData);
    ASSERT_NE(nullptr, streaming);
    EXPECT_EQ(62u, streamingRecordSize(90 << 4));
    EXPECT_EQ(66u, streamingRecordSize(91 << 4));
    EXPECT_EQ(1u + 3 * 66, streaming->blockSize(3, 91 << 4));
    EXPECT_EQ(1u + 3 * 62, streaming->blockSize(3, 90 << 4));
    EXPECT_EQ(1u + 255 * 66, streaming->blockSize(255, 0x0001));
    EXPECT_EQ(1u, streaming->blockSize(0, 0x0001));
    // The count only sizes the streaming block.
    EXPECT_EQ(158u, EventDescriptor::find(EventDescriptor::Initialization)->blockSize(200, 91 << 4));
}

}  // namespace
