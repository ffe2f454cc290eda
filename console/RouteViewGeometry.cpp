#include "console/RouteViewGeometry.h"

#include "runreport/RoutePoint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace quorvex::console {

namespace {

constexpr double Margin = 24;
constexpr double ArrowLength = 28;

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

// Metres per degree of latitude and of longitude at a latitude on WGS84 (the series of the
// meridian's and the parallel's arc lengths): good to a metre per degree, enough for a drawing.
double metresPerDegreeLatitude(double lat) {
    const double phi = radians(lat);
    return 111132.954 - 559.822 * std::cos(2 * phi) + 1.175 * std::cos(4 * phi);
}

double metresPerDegreeLongitude(double lat) {
    const double phi = radians(lat);
    return 111412.84 * std::cos(phi) - 93.5 * std::cos(3 * phi) + 0.118 * std::cos(5 * phi);
}

// Longitude and latitude to pixels: one scale both ways, so the drawing keeps its shape.
class ViewScale {
public:
    ViewScale(const tracking::Route& route, QSizeF size) {
        double west = 180, east = -180, south = 90, north = -90;
        for (const tracking::GeoPoint& p : route.line()) {
            west = std::min(west, p.lon);
            east = std::max(east, p.lon);
            south = std::min(south, p.lat);
            north = std::max(north, p.lat);
        }
        centre_ = {(south + north) / 2, (west + east) / 2};
        perLat_ = metresPerDegreeLatitude(centre_.lat);
        perLon_ = metresPerDegreeLongitude(centre_.lat);
        const double wide = std::max((east - west) * perLon_, 1.0);
        const double high = std::max((north - south) * perLat_, 1.0);
        pixelsPerMetre_ =
            std::max(1e-9, std::min((size.width() - 2 * Margin) / wide, (size.height() - 2 * Margin) / high));
        middle_ = QPointF(size.width() / 2, size.height() / 2);
    }

    QPointF at(const tracking::GeoPoint& p) const {
        return middle_ +
               QPointF((p.lon - centre_.lon) * perLon_, (centre_.lat - p.lat) * perLat_) * pixelsPerMetre_;
    }
    double pixelsPerMetre() const { return pixelsPerMetre_; }

private:
    tracking::GeoPoint centre_;
    double perLat_ = 1;
    double perLon_ = 1;
    double pixelsPerMetre_ = 1;
    QPointF middle_;
};

// The longest round length not over a quarter of the width.
void placeScaleBar(const ViewScale& scale, QSizeF size, RouteViewGeometry& view) {
    static constexpr std::array<double, 12> lengths{10, 20, 50, 100, 200, 500, 1e3, 2e3, 5e3, 1e4, 2e4, 5e4};
    double metres = lengths.front();
    for (const double length : lengths) {
        if (length * scale.pixelsPerMetre() <= size.width() / 4) {
            metres = length;
        }
    }
    const QPointF start(Margin / 2, size.height() - Margin / 2);
    view.scaleBar = QLineF(start, start + QPointF(metres * scale.pixelsPerMetre(), 0));
    view.scaleLabel =
        metres >= 1000 ? QStringLiteral("%1 km").arg(metres / 1000) : QStringLiteral("%1 m").arg(metres);
}

}  // namespace

RouteViewGeometry routeViewGeometry(const tracking::Route& route, std::optional<double> pigChainageMetres,
                                    QSizeF size) {
    const ViewScale scale(route, size);
    RouteViewGeometry view;
    for (const tracking::GeoPoint& p : route.line()) {
        const QPointF at = scale.at(p);
        if (view.line.isEmpty() || QLineF(view.line.back(), at).length() >= 1) {
            view.line.append(at);
        }
    }
    view.line.append(scale.at(route.line().back()));
    for (const tracking::Marker& marker : route.markers()) {
        view.markers.push_back({scale.at(marker.position), QString::fromStdString(marker.name)});
    }
    if (pigChainageMetres) {
        view.pig = scale.at(runreport::pointAtChainage(route, *pigChainageMetres));
    }
    const QPointF foot(size.width() - Margin / 2 - 6, Margin / 2 + ArrowLength);
    view.north = QLineF(foot, foot - QPointF(0, ArrowLength));
    placeScaleBar(scale, size, view);
    return view;
}

}  // namespace quorvex::console
