#pragma once

#include "tracking/GeoPoint.h"
#include "tracking/Marker.h"

#include <string>
#include <vector>

namespace quorvex::tracking {

// What a route file holds, as read: the line's parts in the file's order and the markers.
struct RouteDraft {
    std::string name;
    std::vector<std::vector<GeoPoint>> parts;
    std::vector<MarkerDraft> markers;
};

// How strict building a route is.
struct RouteLimits {
    double maxGapMetres = 50;  // between the end of one part and the start of the next
    double maxMarkerOffLineMetres = 100;
};

}  // namespace quorvex::tracking
