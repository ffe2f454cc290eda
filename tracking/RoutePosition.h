#pragma once

#include "tracking/GeoPoint.h"

#include <cstddef>

namespace quorvex::tracking {

// Where a position lies against a route: its chainage (metres along the line from the line's
// first vertex), how far it is from the line (metres, geodesic), and the foot of the
// perpendicular on the line.
struct RoutePosition {
    double chainageMetres = 0;
    double offRouteMetres = 0;
    GeoPoint foot;
    std::size_t segment = 0;  // the line's segment the foot lies on (vertex segment..segment+1)
};

}  // namespace quorvex::tracking
