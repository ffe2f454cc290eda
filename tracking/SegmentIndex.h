#pragma once

#include "tracking/GeoPoint.h"

#include <memory>
#include <span>
#include <vector>

namespace quorvex::tracking {

// A segment near a position, by the cheap measure: the chord between the segment's ends on a
// sphere of the Earth's mean radius (within about 0.5 % of the geodesic distance).
struct SegmentCandidate {
    std::size_t segment = 0;  // vertices segment and segment + 1
    double fraction = 0;      // where along the segment the nearest point of the chord lies, 0..1
    double approxMetres = 0;  // distance from the position to that point
};

// The segments of a line in an R-tree, searched nearest first. Points are kept as unit vectors
// in three dimensions, so no longitude wraps and no latitude squeezes the metric.
class SegmentIndex {
public:
    explicit SegmentIndex(std::span<const GeoPoint> line);
    ~SegmentIndex();
    SegmentIndex(SegmentIndex&&) noexcept;
    SegmentIndex& operator=(SegmentIndex&&) noexcept;

    // Every segment whose distance may be within slackMetres of the nearest one's, nearest first.
    std::vector<SegmentCandidate> near(const GeoPoint& position, double slackMetres) const;

private:
    struct Tree;  // Boost.Geometry's, kept out of every file that includes this one
    std::unique_ptr<Tree> tree_;
};

}  // namespace quorvex::tracking
