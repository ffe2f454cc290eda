#pragma once

#include "console/plots/PlotScale.h"
#include "console/plots/PlotShape.h"
#include "console/plots/SampleRing.h"

#include <vector>

namespace quorvex::console {

// A walk over a plot's ring, newest first: the k-th newest sample lies at right - k * step.
struct RingWalk {
    const SampleRing& ring;
    int right;
    int step;

    int x(std::size_t k) const { return right - static_cast<int>(k) * step; }
};

// The points of one 32-bit field over the ring for a plot ending at `height`. Slots without a
// value are skipped, or end the walk when `stopAtGap` says so; points left of `leftEdge` are not
// on screen and end the walk too.
template <typename Field>
std::vector<PlotPoint> tracePoints(const RingWalk& walk, Field field, const VerticalScale& scale, int height,
                                   bool stopAtGap, int leftEdge = 0) {
    std::vector<PlotPoint> points;
    points.reserve(walk.ring.capacity());
    for (std::size_t k = 0; k < walk.ring.capacity() && walk.x(k) >= leftEdge; ++k) {
        const std::int32_t value = field(walk.ring.newest(k));
        if (value == NoValue) {
            if (stopAtGap) {
                break;
            }
            continue;
        }
        points.push_back({walk.x(k), scale.pointY(height, value)});
    }
    return points;
}

}  // namespace quorvex::console
