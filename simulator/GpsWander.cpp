#include "simulator/GpsWander.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvex::simulator {

namespace {

constexpr double MetresPerHdop = 3;
constexpr double StepMetres = 0.6;
constexpr double MetresPerDegree = 111'320;

}  // namespace

void GpsWander::step(float hdop) {
    std::uniform_real_distribution<double> move(-StepMetres, StepMetres);
    north_ += move(random_);
    east_ += move(random_);
    const double radius = MetresPerHdop * hdop;
    const double away = std::hypot(north_, east_);
    if (away > radius) {
        const double back = away > 0 ? radius / away : 0;
        north_ *= back;
        east_ *= back;
    }
}

GpsFix GpsWander::around(const GpsFix& truth) const {
    GpsFix fix = truth;
    const double latitude = truth.latitude + north_ / MetresPerDegree;
    const double metresPerLongitude = MetresPerDegree * std::cos(truth.latitude * std::numbers::pi / 180);
    fix.latitude = static_cast<float>(latitude);
    fix.longitude = static_cast<float>(truth.longitude + east_ / std::max(metresPerLongitude, 1.0));
    return fix;
}

}  // namespace quorvex::simulator
