#pragma once

#include "simulator/EventBlocks.h"
#include "simulator/SignalModel.h"
#include "simulator/UnitPort.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvex::simulator {

// A pig sent along the pipe: what it carries and when it passes under the unit.
struct Pig {
    static constexpr int Magnetised = 8;  // the Mag channel: a magnetised pig without transmitter

    int channel = 1;  // the console's number of its transmitter: 1-7, 9 Legacy; or Magnetised
    model::PigPath path;
    Clock::time_point passes;  // its closest approach

    bool magnetised() const { return channel == Magnetised; }
    // Seconds from its closest approach to `at` (negative while it comes).
    double timeFrom(Clock::time_point at) const;
};

// A pig is sent this long before it passes: far enough away that nothing of it shows yet.
inline constexpr std::chrono::seconds PigLead{10};
// And is forgotten this long after, when nothing of it shows any more.
inline constexpr std::chrono::seconds PigTail{15};

// What the pig gives the unit at a time, after the gain and without noise: the transmitter's
// level, or a magnetised pig's excursion.
double pigStrength(const Pig& pig, Clock::time_point at, int gain);
// Whether the unit hears the pig then (its strength passes the detection threshold of its kind).
bool pigHeard(const Pig& pig, Clock::time_point at, int gain);

// One sample of the field as the unit reports it: axes, levels, flags; the record's channel code
// and trailer are the unit's to fill. `clipping` is the largest clipping of its values.
struct FieldSample {
    SensorRecord record;
    int clipping = 0;
};

// The field at `at` with these pigs about: the level slots carry every transmitter (slot k - 1
// transmitter k, slot 7 Legacy) over a low noise floor; the axes carry the field of the channel
// the unit listens to (the console's number; on Mag the axes swing around the magnetic centre).
// `number` is the sample's number, which picks its noise.
FieldSample fieldSample(std::span<const Pig> pigs, Clock::time_point at, std::uint64_t number, int listening,
                        int gain);

}  // namespace quorvex::simulator
