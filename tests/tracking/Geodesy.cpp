#include "tests/tracking/Geodesy.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/GeodesicLine.hpp>

namespace quorvex::test {

using tracking::GeoPoint;

namespace {
const GeographicLib::Geodesic& wgs84() {
    return GeographicLib::Geodesic::WGS84();
}
}  // namespace

GeoPoint direct(const GeoPoint& from, double azimuthDegrees, double metres) {
    GeoPoint to;
    wgs84().Direct(from.lat, from.lon, azimuthDegrees, metres, to.lat, to.lon);
    return to;
}

double azimuthAt(const GeoPoint& from, const GeoPoint& to) {
    double s12 = 0, azi1 = 0, azi2 = 0;
    wgs84().Inverse(from.lat, from.lon, to.lat, to.lon, s12, azi1, azi2);
    return azi2;
}

double geodesicMetres(const GeoPoint& a, const GeoPoint& b) {
    double metres = 0;
    wgs84().Inverse(a.lat, a.lon, b.lat, b.lon, metres);
    return metres;
}

std::vector<GeoPoint> geodesicLine(const GeoPoint& start, double azimuthDegrees, double metres, double step) {
    const GeographicLib::GeodesicLine line = wgs84().Line(start.lat, start.lon, azimuthDegrees);
    std::vector<GeoPoint> vertices;
    const auto at = [&](double s) {
        GeoPoint p;
        line.Position(s, p.lat, p.lon);
        vertices.push_back(p);
    };
    for (double s = 0; s < metres; s += step) {
        at(s);
    }
    at(metres);
    return vertices;
}

}  // namespace quorvex::test
