#pragma once

#include "tracking/GeoPoint.h"

#include <vector>

namespace quorvex::test {

// Known answers made with GeographicLib's direct problem, independently of the engine's search.
tracking::GeoPoint direct(const tracking::GeoPoint& from, double azimuthDegrees, double metres);
double azimuthAt(const tracking::GeoPoint& from, const tracking::GeoPoint& to);  // forward azimuth at `to`
double geodesicMetres(const tracking::GeoPoint& a, const tracking::GeoPoint& b);

// A line along one geodesic from `start`, a vertex every `step` metres for `metres`.
std::vector<tracking::GeoPoint> geodesicLine(const tracking::GeoPoint& start, double azimuthDegrees,
                                             double metres, double step);

}  // namespace quorvex::test
