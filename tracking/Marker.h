#pragma once

#include "tracking/GeoPoint.h"

#include <optional>
#include <string>

namespace quorvex::tracking {

// A named place on the route a unit stands at (a valve, a road crossing).
struct Marker {
    std::string name;
    GeoPoint position;
    // The marker's chainage in metres: the surveyed one when the file gives it, else that of its
    // projection onto the line. Distances and speeds of a run use it.
    double chainageMetres = 0;
    // The chainage of its projection onto the line, the scale positions are located on; passages
    // are matched on it.
    double lineChainageMetres = 0;
    double offLineMetres = 0;
    bool surveyed = false;
};

// A marker as a file gives it, before it is placed on the line.
struct MarkerDraft {
    std::string name;
    GeoPoint position;
    std::optional<double> surveyedChainageMetres;
};

}  // namespace quorvex::tracking
