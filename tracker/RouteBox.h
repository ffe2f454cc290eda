#pragma once

#include "tracking/GeoPoint.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace quorvex::tracker {

// The latitudes and longitudes a route's line spans: a passage outside it (with the off-route
// tolerance around) cannot lie on the route, found without projecting onto every segment.
struct RouteBox {
    double south = 90, north = -90, west = 180, east = -180;

    static RouteBox around(std::span<const tracking::GeoPoint> line) {
        RouteBox box;
        for (const tracking::GeoPoint& point : line) {
            box.south = std::min(box.south, point.lat);
            box.north = std::max(box.north, point.lat);
            box.west = std::min(box.west, point.lon);
            box.east = std::max(box.east, point.lon);
        }
        return box;
    }

    // Whether the point lies within the box grown by the margin on every side.
    bool contains(const tracking::GeoPoint& point, double marginMetres) const {
        constexpr double MetresPerDegree = 111'320;
        const double pole = std::min(89.0, std::max(std::abs(south), std::abs(north)) + 1);
        const double latitudeMargin = marginMetres / MetresPerDegree;
        const double longitudeMargin = marginMetres / (MetresPerDegree * std::cos(pole * M_PI / 180));
        return point.lat >= south - latitudeMargin && point.lat <= north + latitudeMargin &&
               point.lon >= west - longitudeMargin && point.lon <= east + longitudeMargin;
    }
};

}  // namespace quorvex::tracker
