#include "tracking/PassagePlacement.h"

#include <algorithm>
#include <cmath>

namespace quorvex::tracking {

namespace {

std::optional<std::size_t> markerNear(const Route& route, double lineChainage, double tolerance) {
    const auto markers = route.markers();
    const auto after = std::lower_bound(markers.begin(), markers.end(), lineChainage,
                                        [](const Marker& m, double c) { return m.lineChainageMetres < c; });
    std::optional<std::size_t> nearest;
    double best = tolerance;
    for (auto it : {after - (after != markers.begin() ? 1 : 0), after}) {
        if (it != markers.end() && std::abs(it->lineChainageMetres - lineChainage) <= best) {
            best = std::abs(it->lineChainageMetres - lineChainage);
            nearest = static_cast<std::size_t>(it - markers.begin());
        }
    }
    return nearest;
}

}  // namespace

PlacedPassage placePassage(const Route& route, const RunSettings& settings, Passage passage,
                           std::optional<double> lastLineChainageMetres) {
    PlacedPassage placed{std::move(passage), std::nullopt, std::nullopt, 0};
    if (!placed.passage.position) {
        placed.marker = route.markerNamed(placed.passage.marker);
        if (placed.marker) {
            placed.lineChainageMetres = route.markers()[*placed.marker].lineChainageMetres;
        }
        return placed;
    }
    const GeoPoint& position = *placed.passage.position;
    if (!std::isfinite(position.lat) || !std::isfinite(position.lon)) {
        return placed;  // a fix the unit did not have: kept, off route
    }
    const RoutePosition at =
        lastLineChainageMetres
            ? route.locate(position, {*lastLineChainageMetres, std::max(settings.offRouteMetres, 100.0),
                                      settings.direction == RunDirection::AlongLine ? 1 : -1})
            : route.locate(position);
    placed.lineChainageMetres = at.chainageMetres;
    placed.offRouteMetres = at.offRouteMetres;
    if (at.offRouteMetres <= settings.offRouteMetres) {
        placed.marker = markerNear(route, at.chainageMetres, settings.markerToleranceMetres);
    }
    return placed;
}

}  // namespace quorvex::tracking
