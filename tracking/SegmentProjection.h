#pragma once

#include "tracking/GeoPoint.h"

namespace quorvex::tracking {

// The foot of the geodesic perpendicular from a position onto one geodesic segment of a line.
struct SegmentFoot {
    GeoPoint foot;
    double fromStartMetres = 0;  // along the segment, from its first vertex
    double offMetres = 0;        // from the position to the foot
};

// Projects p onto the geodesic a-b on WGS84, starting from a guess of the foot (a point on or
// near the segment). Solved in gnomonic projections centred on the foot, where geodesics are
// nearly straight lines and right angles stay right (Karney's intercept method); the foot is
// clamped to the segment's ends.
SegmentFoot projectOntoSegment(const GeoPoint& a, const GeoPoint& b, const GeoPoint& p,
                               const GeoPoint& guess);

}  // namespace quorvex::tracking
