#include "tracking/RouteBuilder.h"

#include "tracking/TrackingText.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>

namespace quorvex::tracking {

namespace {

// Closer than this, two vertices are one (a part that starts where the last one ended).
constexpr double sameVertexMetres = 0.001;

double metresBetween(const GeoPoint& a, const GeoPoint& b) {
    double metres = 0;
    GeographicLib::Geodesic::WGS84().Inverse(a.lat, a.lon, b.lat, b.lon, metres);
    return metres;
}

// The shortest of the four end-to-end joins of two parts: which ends meet, and how far apart.
struct Join {
    bool firstReversed = false;
    bool secondReversed = false;
    double metres = 0;
};

Join bestJoin(const std::vector<GeoPoint>& first, const std::vector<GeoPoint>& second, bool firstFixed) {
    Join best{false, false, metresBetween(first.back(), second.front())};
    const auto consider = [&](bool firstReversed, bool secondReversed) {
        const GeoPoint& end = firstReversed ? first.front() : first.back();
        const GeoPoint& start = secondReversed ? second.back() : second.front();
        if (const double metres = metresBetween(end, start); metres < best.metres) {
            best = {firstReversed, secondReversed, metres};
        }
    };
    consider(false, true);
    if (!firstFixed) {
        consider(true, false);
        consider(true, true);
    }
    return best;
}

void dropRepeatedVertices(std::vector<GeoPoint>& part) {
    part.erase(std::unique(part.begin(), part.end(),
                           [](const GeoPoint& a, const GeoPoint& b) {
                               return metresBetween(a, b) < sameVertexMetres;
                           }),
               part.end());
}

std::string checkVertices(const std::vector<std::vector<GeoPoint>>& parts) {
    for (const auto& part : parts) {
        for (const GeoPoint& p : part) {
            if (!std::isfinite(p.lat) || !std::isfinite(p.lon) || std::abs(p.lat) > 90 ||
                std::abs(p.lon) > 540) {
                return "a vertex of the line is not a WGS84 position (latitude " + formatDegrees(p.lat) +
                       ", longitude " + formatDegrees(p.lon) + ")";
            }
        }
    }
    return {};
}

// The parts in order, each turned to meet the previous one's end.
std::string joinParts(std::vector<std::vector<GeoPoint>>& parts, double maxGapMetres,
                      std::vector<GeoPoint>& line) {
    std::erase_if(parts, [](const std::vector<GeoPoint>& part) { return part.empty(); });
    if (parts.empty()) {
        return "no line in it";
    }
    line = std::move(parts.front());
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::vector<GeoPoint>& part = parts[i];
        const Join join = bestJoin(line, part, i > 1);
        if (join.metres > maxGapMetres) {
            return "the line has a gap of " + formatMetres(join.metres) + " m between its parts " +
                   std::to_string(i) + " and " + std::to_string(i + 1) + " (at most " +
                   formatMetres(maxGapMetres) + " m)";
        }
        if (join.firstReversed) {
            std::reverse(line.begin(), line.end());
        }
        if (join.secondReversed) {
            std::reverse(part.begin(), part.end());
        }
        line.insert(line.end(), part.begin(), part.end());
    }
    dropRepeatedVertices(line);
    return line.size() < 2 ? "its line has fewer than two distinct points" : "";
}

}  // namespace

std::string buildRoute(RouteDraft draft, const RouteLimits& limits, std::optional<Route>& route) {
    if (std::string error = checkVertices(draft.parts); !error.empty()) {
        return error;
    }
    std::vector<GeoPoint> line;
    if (std::string error = joinParts(draft.parts, limits.maxGapMetres, line); !error.empty()) {
        return error;
    }
    route.emplace(std::move(draft.name), std::move(line));
    if (std::string error = route->placeMarkers(std::move(draft.markers), limits.maxMarkerOffLineMetres);
        !error.empty()) {
        route.reset();
        return error;
    }
    return {};
}

}  // namespace quorvex::tracking
