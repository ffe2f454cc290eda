#pragma once

#include "simulator/UnitProfile.h"

#include <random>

namespace quorvex::simulator {

// A receiver's fix wanders around the true position, the more the worse its HDOP: a random walk
// held within HDOP x 3 m, stepped once a second.
class GpsWander {
public:
    void step(float hdop);
    // The fix as the receiver reports it now.
    GpsFix around(const GpsFix& truth) const;

private:
    std::minstd_rand random_{1};
    double north_ = 0;  // metres
    double east_ = 0;
};

}  // namespace quorvex::simulator
