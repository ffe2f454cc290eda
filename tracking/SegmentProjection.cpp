#include "tracking/SegmentProjection.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/Gnomonic.hpp>

#include <algorithm>
#include <cmath>

namespace quorvex::tracking {

namespace {

const GeographicLib::Geodesic& wgs84() {
    return GeographicLib::Geodesic::WGS84();
}

struct Plane {
    double x = 0;
    double y = 0;
};

// One step: the planar foot in the gnomonic projection centred on `centre`; false when the foot
// is an end of the segment (nothing more to refine).
bool footStep(const GeographicLib::Gnomonic& gnomonic, const GeoPoint& a, const GeoPoint& b,
              const GeoPoint& p, GeoPoint& centre) {
    Plane pa, pb, pp;
    gnomonic.Forward(centre.lat, centre.lon, a.lat, a.lon, pa.x, pa.y);
    gnomonic.Forward(centre.lat, centre.lon, b.lat, b.lon, pb.x, pb.y);
    gnomonic.Forward(centre.lat, centre.lon, p.lat, p.lon, pp.x, pp.y);
    const double dx = pb.x - pa.x;
    const double dy = pb.y - pa.y;
    const double squared = dx * dx + dy * dy;
    const double t = squared > 0 ? ((pp.x - pa.x) * dx + (pp.y - pa.y) * dy) / squared : 0;
    if (t <= 0 || t >= 1 || !std::isfinite(t)) {
        centre = t >= 1 ? b : a;
        return false;
    }
    const Plane foot{pa.x + t * dx, pa.y + t * dy};
    GeoPoint next;
    gnomonic.Reverse(centre.lat, centre.lon, foot.x, foot.y, next.lat, next.lon);
    centre = next;
    // The projection is exact at its centre: a small move means the centre already was the foot.
    return std::hypot(foot.x, foot.y) > 0.01;
}

}  // namespace

SegmentFoot projectOntoSegment(const GeoPoint& a, const GeoPoint& b, const GeoPoint& p,
                               const GeoPoint& guess) {
    static const GeographicLib::Gnomonic gnomonic(wgs84());
    GeoPoint foot = guess;
    for (int step = 0; step < 6 && footStep(gnomonic, a, b, p, foot); ++step) {
    }
    SegmentFoot result;
    result.foot = foot;
    wgs84().Inverse(a.lat, a.lon, foot.lat, foot.lon, result.fromStartMetres);
    wgs84().Inverse(p.lat, p.lon, foot.lat, foot.lon, result.offMetres);
    return result;
}

}  // namespace quorvex::tracking
