#include "simulator/PigField.h"
#include "simulator/SignalModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace quorvex::simulator::model {
namespace {

// The console's magnetic full scale at the default gain (its table by gain).
constexpr double ConsoleMagneticFullScale = 49'000;

const std::vector<PigPath> Paths{{1.5, 1.5}, {3, 1.5}, {0.8, 0.5}, {2, 4}};

TEST(SignalModel, APassagePeaksAtTheClosestApproachAndIsSymmetric) {
    for (const PigPath& path : Paths) {
        const double peak = transmitterLevel(path, DefaultTransmitterStrength, 0);
        EXPECT_NEAR(peak, DefaultTransmitterStrength / std::pow(path.depth, 3), 1e-6 * peak);
        for (const double t : {0.05, 0.3, 1.0, 4.0}) {
            const double level = transmitterLevel(path, DefaultTransmitterStrength, t);
            EXPECT_LT(level, peak) << t;
            EXPECT_DOUBLE_EQ(level, transmitterLevel(path, DefaultTransmitterStrength, -t)) << t;
            EXPECT_LT(transmitterLevel(path, DefaultTransmitterStrength, t + 0.5), level)
                << "falls after " << t;
            // The along-pipe component changes sign at the passage, the vertical one does not.
            const FieldVector before = transmitterField(path, DefaultTransmitterStrength, -t);
            const FieldVector after = transmitterField(path, DefaultTransmitterStrength, t);
            EXPECT_GT(before.along, 0) << t;
            EXPECT_DOUBLE_EQ(after.along, -before.along) << t;
            EXPECT_DOUBLE_EQ(after.vertical, before.vertical) << t;
            EXPECT_NEAR(std::hypot(after.along, after.vertical), level, 1e-9 * level) << t;
        }
        EXPECT_DOUBLE_EQ(transmitterField(path, DefaultTransmitterStrength, 0).along, 0);
        // A magnetised pig: bipolar on Z, zero at the passage; X at its extreme there.
        const FieldVector centre = magneticSignature(path, DefaultMagneticMoment, 0);
        EXPECT_DOUBLE_EQ(centre.vertical, 0);
        for (const double t : {0.1, 0.5, 2.0}) {
            const FieldVector before = magneticSignature(path, DefaultMagneticMoment, -t);
            const FieldVector after = magneticSignature(path, DefaultMagneticMoment, t);
            EXPECT_GT(before.vertical, 0) << t;
            EXPECT_DOUBLE_EQ(after.vertical, -before.vertical) << t;
            EXPECT_LT(std::abs(after.along), std::abs(centre.along)) << t;
        }
    }
}

TEST(SignalModel, TheLevelFallsWithTheCubeOfTheDistance) {
    for (const double depth : {0.5, 1.5, 3.0}) {
        const PigPath near{depth, 1.5};
        const PigPath far{2 * depth, 1.5};
        EXPECT_NEAR(transmitterLevel(far, DefaultTransmitterStrength, 0) * 8,
                    transmitterLevel(near, DefaultTransmitterStrength, 0), 1e-6 * DefaultTransmitterStrength);
        // Along the pipe too: twice the distance, an eighth of the level.
        const double t = std::sqrt(3.0) * depth / 1.5;  // 2 d away
        EXPECT_NEAR(transmitterLevel(near, DefaultTransmitterStrength, t) * 8,
                    transmitterLevel(near, DefaultTransmitterStrength, 0), 1e-6 * DefaultTransmitterStrength);
    }
}

TEST(SignalModel, GainScalesWhatTheUnitReportsAndClippingCountsTheStepsTooMany) {
    const double peak = transmitterLevel({}, DefaultTransmitterStrength, 0);
    int firstClipped = -1;
    for (int gain = 0; gain <= 16; ++gain) {
        const Reading read = reading(0, peak, gain, 0, LevelRange);
        const double scaled = peak * std::pow(GainStep, gain - DefaultGain);
        if (scaled <= LevelRange) {
            EXPECT_NEAR(read.value, scaled, 1e-6 * scaled) << gain;
            EXPECT_EQ(read.clipping, 0) << gain;
            continue;
        }
        firstClipped = firstClipped < 0 ? gain : firstClipped;
        EXPECT_EQ(read.value, LevelRange) << gain;
        // Clipping is how many steps of Gain - bring the signal back into the range.
        EXPECT_EQ(read.clipping, gain - firstClipped + 1) << gain;
        EXPECT_EQ(reading(0, peak, gain - read.clipping, 0, LevelRange).clipping, 0) << gain;
    }
    // A demo passage clips after three steps of Gain + (12.5 M x 1.26^3 = 25 M).
    EXPECT_EQ(firstClipped, DefaultGain + 3);
    // Below the rest value too, and never beyond the range.
    const Reading low = reading(MagneticCentre, -40'000, DefaultGain, 0, MagneticRange);
    EXPECT_EQ(low.value, 0);
    EXPECT_EQ(low.clipping, 1);
}

TEST(SignalModel, ADemoPassageFillsHalfToThreeQuartersOfTheScaleOverALowFloor) {
    const Clock::time_point passes{std::chrono::hours(1)};
    const std::vector<Pig> pigs{{1, {}, passes}, {3, {}, passes + std::chrono::seconds(60)}};
    const FieldSample peak = fieldSample(pigs, passes, 7, 1, DefaultGain);
    EXPECT_EQ(peak.clipping, 0);
    for (const double value : {double(peak.record.values[0]), double(peak.record.z)}) {
        EXPECT_GT(value, 0.5 * LevelRange);
        EXPECT_LT(value, 0.75 * LevelRange);
    }
    EXPECT_EQ(peak.record.transmitters[0], 1);
    EXPECT_EQ(peak.record.signal, 1);
    // The noise floor: above zero and moving, but a few per cent of the scale at most.
    for (std::uint64_t n = 0; n < 200; ++n) {
        const FieldSample quiet = fieldSample(pigs, passes - std::chrono::seconds(20), n, 1, DefaultGain);
        for (std::size_t slot = 0; slot < 8; ++slot) {
            EXPECT_GT(quiet.record.values[slot], 0.004 * LevelRange) << n;
            EXPECT_LT(quiet.record.values[slot], 0.03 * LevelRange) << n;
        }
        EXPECT_EQ(quiet.record.signal, 0);
        EXPECT_EQ(quiet.record.transmitters, (std::array<std::uint8_t, 7>{}));
    }
    EXPECT_NE(fieldSample(pigs, passes - std::chrono::seconds(20), 1, 1, DefaultGain).record.values,
              fieldSample(pigs, passes - std::chrono::seconds(20), 2, 1, DefaultGain).record.values);
    // The pig on channel 3, heard on its own level but not on the axes of channel 1.
    const FieldSample other = fieldSample(pigs, passes + std::chrono::seconds(60), 7, 1, DefaultGain);
    EXPECT_GT(other.record.values[2], 0.5 * LevelRange);
    EXPECT_EQ(other.record.transmitters[2], 1);
    EXPECT_EQ(other.record.signal, 0);
    EXPECT_LT(other.record.z, 0.2 * LevelRange);

    // A magnetised pig on the Mag channel: Z swings both ways around the centre.
    const std::vector<Pig> magnetic{{Pig::Magnetised, {}, passes}};
    double high = 0;
    double low = MagneticRange;
    for (int ms = -3000; ms <= 3000; ms += 20) {
        const auto at = passes + std::chrono::milliseconds(ms);
        const double z = fieldSample(magnetic, at, 0, Pig::Magnetised, DefaultGain).record.z;
        high = std::max(high, z);
        low = std::min(low, z);
    }
    EXPECT_GT(high, MagneticCentre + 0.25 * ConsoleMagneticFullScale);
    EXPECT_LT(low, MagneticCentre - 0.25 * ConsoleMagneticFullScale);
    EXPECT_GT(high - low, 0.5 * ConsoleMagneticFullScale);
    EXPECT_LT(high - low, 0.75 * ConsoleMagneticFullScale);
    // Three steps of Gain + and the passage clips.
    EXPECT_GT(fieldSample(pigs, passes, 7, 1, DefaultGain + 3).clipping, 0);
}

TEST(SignalModel, TheUnitHearsAPigWhenItsSignalPassesTheThreshold) {
    const Clock::time_point passes{std::chrono::hours(1)};
    const Pig near{1, {}, passes};
    const Pig weak{1, {3, 1.5}, passes};
    EXPECT_TRUE(pigHeard(near, passes, DefaultGain));
    EXPECT_FALSE(pigHeard(near, passes - std::chrono::seconds(5), DefaultGain));
    // The weak pig is heard at the default gain, not two steps lower.
    EXPECT_TRUE(pigHeard(weak, passes, DefaultGain));
    EXPECT_FALSE(pigHeard(weak, passes, DefaultGain - 2));
    EXPECT_TRUE(pigHeard({Pig::Magnetised, {}, passes}, passes, DefaultGain));
    // The first crossing comes a couple of seconds ahead of the passage.
    int crossing = -10000;
    while (!pigHeard(near, passes + std::chrono::milliseconds(crossing), DefaultGain)) {
        crossing += 10;
    }
    EXPECT_GT(crossing, -3000);
    EXPECT_LT(crossing, -1000);
}

}  // namespace
}  // namespace quorvex::simulator::model
