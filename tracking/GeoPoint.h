#pragma once

namespace quorvex::tracking {

// A position on the WGS84 ellipsoid: latitude in degrees [-90, 90], longitude in degrees,
// east positive. Always latitude first here, whatever order a file keeps its axes in.
struct GeoPoint {
    double lat = 0;
    double lon = 0;
};

}  // namespace quorvex::tracking
