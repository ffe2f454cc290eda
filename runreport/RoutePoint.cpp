#include "runreport/RoutePoint.h"

#include <algorithm>

namespace quorvex::runreport {

namespace {

// The chainage on the line's own scale for a chainage of the markers' scale.
double lineChainage(const tracking::Route& route, double chainage) {
    const auto markers = route.markers();
    for (std::size_t i = 1; i < markers.size(); ++i) {
        const tracking::Marker& a = markers[i - 1];
        const tracking::Marker& b = markers[i];
        if (chainage <= b.chainageMetres && b.chainageMetres > a.chainageMetres) {
            const double share =
                std::clamp((chainage - a.chainageMetres) / (b.chainageMetres - a.chainageMetres), 0.0, 1.0);
            return a.lineChainageMetres + share * (b.lineChainageMetres - a.lineChainageMetres);
        }
    }
    return std::clamp(chainage, 0.0, route.lengthMetres());
}

}  // namespace

tracking::GeoPoint pointAtChainage(const tracking::Route& route, double chainageMetres) {
    const double along = lineChainage(route, chainageMetres);
    const auto chainages = route.vertexChainage();
    const auto line = route.line();
    const auto after = std::upper_bound(chainages.begin(), chainages.end(), along);
    if (after == chainages.begin()) {
        return line.front();
    }
    if (after == chainages.end()) {
        return line.back();
    }
    const auto i = static_cast<std::size_t>(after - chainages.begin());
    const double share = (along - chainages[i - 1]) / (chainages[i] - chainages[i - 1]);
    return {line[i - 1].lat + share * (line[i].lat - line[i - 1].lat),
            line[i - 1].lon + share * (line[i].lon - line[i - 1].lon)};
}

}  // namespace quorvex::runreport
