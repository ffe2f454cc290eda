#pragma once

#include "tracking/GeoPoint.h"
#include "tracking/Marker.h"
#include "tracking/RoutePosition.h"
#include "tracking/SegmentIndex.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::tracking {

// Where a position was last known to be, so a line that doubles back near itself (a loop)
// resolves to the leg consistent with it rather than to whichever leg is a few metres nearer.
struct LocateHint {
    double chainageMetres = 0;
    double withinMetres = 100;  // legs no farther than this beyond the nearest one are candidates
    // +1: the pig moves towards higher chainage, so legs ahead of the hint come first; -1: lower;
    // 0: the leg nearest the hint either way.
    int direction = 0;
};

// A pipeline's centreline on WGS84 with its markers, ordered by chainage. Read-only once built,
// so one route may be located against from several threads.
class Route {
public:
    Route(std::string name, std::vector<GeoPoint> line);

    const std::string& name() const { return name_; }
    double lengthMetres() const { return vertexChainage_.back(); }
    std::span<const GeoPoint> line() const { return line_; }
    std::span<const double> vertexChainage() const { return vertexChainage_; }
    std::span<const Marker> markers() const { return markers_; }
    std::optional<std::size_t> markerNamed(std::string_view name) const;

    RoutePosition locate(const GeoPoint& position) const;
    RoutePosition locate(const GeoPoint& position, const LocateHint& hint) const;

    // Places the markers by chainage; one without a surveyed chainage is projected onto the
    // line. Returns an error text naming the first marker that cannot be placed, or "".
    std::string placeMarkers(std::vector<MarkerDraft> drafts, double maxOffLineMetres);

private:
    RoutePosition project(const SegmentCandidate& candidate, const GeoPoint& position) const;
    RoutePosition projectAround(const SegmentCandidate& candidate, const GeoPoint& position) const;
    RoutePosition nearestOf(std::span<const SegmentCandidate> candidates, const GeoPoint& position) const;
    double approxChainage(const SegmentCandidate& candidate) const;

    std::string name_;
    std::vector<GeoPoint> line_;
    std::vector<double> vertexChainage_;
    SegmentIndex index_;
    std::vector<Marker> markers_;
};

}  // namespace quorvex::tracking
