#include "device/ChannelRegistry.h"

#include <gtest/gtest.h>

using zeph::platform::RGB;

namespace {

struct ExpectedRow {
    int id;
    const wchar_t* name;
    const wchar_t* shortName;
    float lower;
    float upper;
    zeph::platform::COLORREF colour;
    const ChannelKind* kind;
};

const ExpectedRow expectedRows[] = {
    {0, L"Auto Select", L"Auto", 0.0f, 0.0f, RGB(0, 0, 0), &ChannelKind::Auto},
    {1, L"QUORVEX 1", L"1", 17.578f, 17.578f, RGB(255, 46, 36), &ChannelKind::Quorvex},
    {2, L"QUORVEX 2", L"2", 19.531f, 19.531f, RGB(0, 169, 80), &ChannelKind::Quorvex},
    {3, L"QUORVEX 3", L"3", 23.437f, 23.437f, RGB(255, 240, 32), &ChannelKind::Quorvex},
    {4, L"QUORVEX 4", L"4", 25.391f, 25.391f, RGB(0, 86, 171), &ChannelKind::Quorvex},
    {5, L"QUORVEX 5", L"5", 27.342f, 27.342f, RGB(198, 17, 137), &ChannelKind::Quorvex},
    {6, L"QUORVEX 6", L"6", 29.297f, 29.297f, RGB(139, 211, 245), &ChannelKind::Quorvex},
    {7, L"QUORVEX 7", L"7", 31.25f, 31.25f, RGB(234, 175, 15), &ChannelKind::Quorvex},
    {8, L"Mag", L"Mag", 0.0f, 0.0f, RGB(108, 121, 143), &ChannelKind::Magnetic},
    {9, L"Legacy", L"Leg", 21.768f, 22.0f, RGB(245, 246, 248), &ChannelKind::Legacy},
};

}  // namespace

TEST(ChannelRegistry, HoldsTheTenChannelsInIdOrder) {
    ASSERT_EQ(std::size(expectedRows), ChannelRegistry::all().size());
    auto row = ChannelRegistry::all().begin();
    for (const ExpectedRow& expected : expectedRows) {
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(expected.id, row->first);
        const ChannelRecord& actual = row->second;
        EXPECT_EQ(expected.id, actual.id);
        EXPECT_EQ(expected.name, actual.name);
        EXPECT_EQ(expected.shortName, actual.shortName);
        EXPECT_FLOAT_EQ(expected.lower, actual.lowerFrequency);
        EXPECT_FLOAT_EQ(expected.upper, actual.upperFrequency);
        EXPECT_EQ(expected.colour, actual.colour);
        EXPECT_EQ(expected.kind, actual.kind);
        ++row;
    }
}

TEST(ChannelRegistry, FindsRowsByChannelNumberAndNothingElse) {
    const ChannelRecord* mag = ChannelRegistry::find(8);
    ASSERT_NE(nullptr, mag);
    EXPECT_EQ(L"Mag", mag->name);
    EXPECT_EQ(mag, ChannelRegistry::find(8)) << "rows are long-lived: the same row every time";
    EXPECT_EQ(nullptr, ChannelRegistry::find(10));
    EXPECT_EQ(nullptr, ChannelRegistry::find(-1));
    EXPECT_EQ(108, zeph::platform::GetRValue(mag->colour));
    EXPECT_EQ(121, zeph::platform::GetGValue(mag->colour));
    EXPECT_EQ(143, zeph::platform::GetBValue(mag->colour));
}
