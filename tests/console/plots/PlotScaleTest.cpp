#include "console/plots/PlotBackground.h"
#include "console/plots/PlotScale.h"
#include "console/plots/SampleRing.h"
#include "tests/console/plots/PlotSamples.h"

#include <gtest/gtest.h>

#include <set>

namespace quorvex::console {
namespace {

TEST(PlotRing, SizedFromTheWidthLessTheStripWithTheRemainderAsMargin) {
    EXPECT_EQ(ringSizing(495, 25).capacity, 156u);
    EXPECT_EQ(ringSizing(495, 25).margin, 2);
    EXPECT_EQ(ringSizing(474, 4).capacity, 156u);
    EXPECT_EQ(ringSizing(474, 4).margin, 2);
    EXPECT_EQ(ringSizing(472, 4).margin, 0);
    EXPECT_EQ(ringSizing(10, 25).capacity, 0u);
}

TEST(PlotRing, TheSampleAfterAFullRingOverwritesTheOldestWithoutNewMemory) {
    SampleRing ring;
    ring.reset({156, 2});
    std::set<const PlotSample*> slots;
    for (std::size_t k = 0; k < 156; ++k) {
        slots.insert(&ring.newest(k));
    }
    for (std::int32_t i = 1; i <= 157; ++i) {
        ring.add(test::plotSample(1, i));
    }
    EXPECT_EQ(ring.newest(0).levels[0], 157);
    EXPECT_EQ(ring.newest(155).levels[0], 2) << "sample 1 was overwritten by sample 157";
    EXPECT_EQ(ring.writeIndex(), 1u);
    for (std::size_t k = 0; k < 156; ++k) {
        EXPECT_EQ(slots.count(&ring.newest(k)), 1u) << "slot " << k << " moved";
    }
}

TEST(PlotRing, EmptySlotsHoldNoValues) {
    SampleRing ring;
    ring.reset({3, 0});
    const PlotSample& slot = ring.newest(1);
    EXPECT_EQ(slot.channel, 0);
    EXPECT_EQ(slot.x, NoValue);
    EXPECT_EQ(slot.extra, NoValue);
    EXPECT_EQ(slot.levels[7], NoValue);
    EXPECT_EQ(slot.trailer[1], 0);
    SampleRing none;
    none.reset({0, 0});
    none.add(test::plotSample(1, 5));  // a window too narrow for any sample
    EXPECT_EQ(none.capacity(), 0u);
}

TEST(PlotScale, LevelsReachFullHeightAtTwentyMillionAndNoValueLiesOnTheBottom) {
    const VerticalScale scale = levelScale();
    EXPECT_EQ(scale.height(20'000'000), 190);
    EXPECT_EQ(scale.height(40'000'000), 190);
    EXPECT_EQ(scale.height(10'000'000), 95);
    EXPECT_EQ(scale.height(0), 0);
    EXPECT_EQ(scale.height(-1), 0);
    EXPECT_EQ(scale.pointY(194, 20'000'000), 194 - 3 - 189);
    EXPECT_EQ(scale.pointY(194, 10'000'000), 194 - 3 - 94);
    EXPECT_EQ(scale.pointY(194, 0), 190);
    EXPECT_EQ(scale.pointY(194, -1), 190);
}

TEST(PlotScale, MagneticFullScaleByGainAndGainZeroStaysFinite) {
    const std::uint32_t expected[] = {19000, 20000, 21000, 23000, 25000, 29000, 39000, 49000, 59000, 65536};
    for (int gain = 1; gain <= 10; ++gain) {
        EXPECT_EQ(magneticFullScale(gain), expected[gain - 1]) << "gain " << gain;
    }
    EXPECT_EQ(magneticFullScale(16), 65536u);
    EXPECT_EQ(magneticFullScale(0), 0u);
    EXPECT_EQ(magneticFullScale(17), 0u);
    // Centred: 32768 sits at half the full scale.
    EXPECT_EQ(magneticScale(1).height(32768), 95);
    EXPECT_EQ(magneticScale(1).height(32768 + 9500), 190);
    EXPECT_EQ(magneticScale(1).height(0), 0) << "far below the centre wraps onto the bottom line";
    EXPECT_EQ(magneticScale(0).height(32768), 0);
    EXPECT_EQ(magneticScale(0).pointY(194, 40000), 190);
}

TEST(PlotScale, FirmwareVersionsCompareAsMajorMinorPairs) {
    const auto version = [](int major, int minor) { return static_cast<std::uint16_t>(major | minor << 4); };
    EXPECT_TRUE(firmwareAtLeast(version(0, 91), 91));
    EXPECT_FALSE(firmwareAtLeast(version(0, 90), 91));
    EXPECT_TRUE(firmwareAtLeast(version(1, 0), 96));
    EXPECT_TRUE(firmwareAtMost(version(0, 91), 91));
    EXPECT_FALSE(firmwareAtMost(version(0, 92), 91));
    EXPECT_FALSE(firmwareAtMost(version(1, 0), 91));
    EXPECT_EQ(firmwareMinor(version(0, 96)), 96);
}

TEST(PlotGrid, LatticeEveryTwentyPixelsCentredInTheArea) {
    const std::vector<int> columns = latticePositions(2, 472);  // 470 wide: 23 columns, 10 left over
    ASSERT_EQ(columns.size(), 23u);
    EXPECT_EQ(columns.front(), 2 + 5 + 10);
    EXPECT_EQ(columns.back(), 17 + 22 * 20);
    EXPECT_EQ(latticePositions(2, 192).front(), 2 + 5 + 10);  // 190 high: 9 rows
    EXPECT_EQ(latticePositions(2, 192).size(), 9u);
    EXPECT_EQ(latticePositions(2, 53).front(), 2 + 6 + 10) << "an odd remainder rounds up";
    EXPECT_TRUE(latticePositions(2, 10).empty());
}

}  // namespace
}  // namespace quorvex::console
