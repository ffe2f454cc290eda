#pragma once

#include "tracking/GeoPoint.h"
#include "tracking/RunPlan.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::tracking {

// A passage as a unit reported it: when, and where (its GPS position, or the marker its crew
// named), with the unit and the journal row it came from.
struct Passage {
    UtcTime time;
    std::optional<GeoPoint> position;
    std::string marker;  // used when there is no position
    std::string unit;
    std::string journal;
    std::int64_t row = 0;
};

// A passage placed against the route: at a marker, or off route (kept and shown all the same).
struct PlacedPassage {
    Passage passage;
    std::optional<std::size_t> marker;  // nothing: off route
    std::optional<double> lineChainageMetres;
    double offRouteMetres = 0;
};

}  // namespace quorvex::tracking
