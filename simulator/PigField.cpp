#include "simulator/PigField.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvex::simulator {

namespace {

using namespace model;

// The noise floor of the levels: low, but a few pixels on the console's plot.
constexpr double FloorLevel = 250'000;
constexpr double FloorSwing = 120'000;
// Where the axes rest without a pig (the sensor's offset and the earth's field), apart so that
// the three traces stay apart, and their noise.
constexpr FieldVector AxisRest{10'000'000, 6'000'000, 2'000'000};
constexpr double AxisNoise = 100'000;
constexpr double MagneticNoise = 150;
constexpr int LegacyChannel = 9;
constexpr std::size_t LegacySlot = 7;

// The noise streams: one per axis, one per level slot.
constexpr int AxisStream = 0;
constexpr int LevelStream = 3;

int slotOf(int channel) {
    if (channel >= 1 && channel <= 7) {
        return channel - 1;
    }
    return channel == LegacyChannel ? static_cast<int>(LegacySlot) : -1;
}

FieldVector& operator+=(FieldVector& sum, const FieldVector& field) {
    sum.along += field.along;
    sum.across += field.across;
    sum.vertical += field.vertical;
    return sum;
}

// The field the unit's axes see: the magnetised pigs on the Mag channel, else the transmitters
// of the channel it listens to.
FieldVector axisField(std::span<const Pig> pigs, Clock::time_point at, int listening) {
    FieldVector sum;
    const bool magnetic = listening == Pig::Magnetised;
    for (const Pig& pig : pigs) {
        if (pig.channel != listening) {
            continue;
        }
        const double t = pig.timeFrom(at);
        sum += magnetic ? magneticSignature(pig.path, DefaultMagneticMoment, t)
                        : transmitterField(pig.path, DefaultTransmitterStrength, t);
    }
    return sum;
}

std::int32_t whole(double value) {
    return static_cast<std::int32_t>(std::lround(value));
}

void fillAxes(FieldSample& sample, const FieldVector& field, std::uint64_t number, int listening, int gain) {
    const bool magnetic = listening == Pig::Magnetised;
    const double swing = magnetic ? MagneticNoise : AxisNoise;
    const double high = magnetic ? MagneticRange : LevelRange;
    const auto axis = [&](double rest, double value, int stream) {
        const Reading read = reading(rest, value + swing * noise(number, stream), gain, 0, high);
        sample.clipping = std::max(sample.clipping, read.clipping);
        return whole(read.value);
    };
    const FieldVector rest =
        magnetic ? FieldVector{MagneticCentre, MagneticCentre, MagneticCentre} : AxisRest;
    sample.record.x = axis(rest.along, field.along, AxisStream);
    sample.record.y = axis(rest.across, field.across, AxisStream + 1);
    sample.record.z = axis(rest.vertical, field.vertical, AxisStream + 2);
}

}  // namespace

double Pig::timeFrom(Clock::time_point at) const {
    return std::chrono::duration<double>(at - passes).count();
}

double pigStrength(const Pig& pig, Clock::time_point at, int gain) {
    const double t = pig.timeFrom(at);
    if (pig.magnetised()) {
        const FieldVector field = magneticSignature(pig.path, DefaultMagneticMoment, t);
        return std::hypot(field.along, field.vertical) * gainFactor(gain);
    }
    return transmitterLevel(pig.path, DefaultTransmitterStrength, t) * gainFactor(gain);
}

bool pigHeard(const Pig& pig, Clock::time_point at, int gain) {
    return pigStrength(pig, at, gain) >= (pig.magnetised() ? MagneticDetection : DetectionLevel);
}

FieldSample fieldSample(std::span<const Pig> pigs, Clock::time_point at, std::uint64_t number, int listening,
                        int gain) {
    FieldSample sample;
    std::array<double, 8> levels{};
    for (const Pig& pig : pigs) {
        const int slot = slotOf(pig.channel);
        if (slot >= 0) {
            levels[static_cast<std::size_t>(slot)] +=
                transmitterLevel(pig.path, DefaultTransmitterStrength, pig.timeFrom(at));
        }
    }
    for (std::size_t slot = 0; slot < levels.size(); ++slot) {
        const double floor = FloorLevel + FloorSwing * noise(number, LevelStream + static_cast<int>(slot));
        const Reading read = reading(0, levels[slot] + floor, gain, 0, LevelRange);
        sample.record.values[slot] = whole(read.value);
        sample.clipping = std::max(sample.clipping, read.clipping);
        if (slot < sample.record.transmitters.size()) {
            const bool heard = levels[slot] * gainFactor(gain) >= DetectionLevel;
            sample.record.transmitters[slot] = static_cast<std::uint8_t>(heard ? 1 : 0);
        }
    }
    fillAxes(sample, axisField(pigs, at, listening), number, listening, gain);
    sample.record.extra = *std::max_element(sample.record.values.begin(), sample.record.values.end());
    const bool heard = std::any_of(pigs.begin(), pigs.end(), [&](const Pig& pig) {
        return pig.channel == listening && pigHeard(pig, at, gain);
    });
    sample.record.signal = static_cast<std::uint8_t>(heard ? 1 : 0);
    return sample;
}

}  // namespace quorvex::simulator
