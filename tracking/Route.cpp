#include "tracking/Route.h"

#include "tracking/SegmentProjection.h"
#include "tracking/TrackingText.h"

#include <GeographicLib/Geodesic.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace quorvex::tracking {

namespace {

std::vector<double> chainageOfVertices(std::span<const GeoPoint> line) {
    std::vector<double> chainage(std::max<std::size_t>(line.size(), 1), 0.0);
    const auto& geodesic = GeographicLib::Geodesic::WGS84();
    for (std::size_t i = 1; i < line.size(); ++i) {
        double metres = 0;
        geodesic.Inverse(line[i - 1].lat, line[i - 1].lon, line[i].lat, line[i].lon, metres);
        chainage[i] = chainage[i - 1] + metres;
    }
    return chainage;
}

GeoPoint between(const GeoPoint& a, const GeoPoint& b, double fraction) {
    return {a.lat + (b.lat - a.lat) * fraction, a.lon + (b.lon - a.lon) * fraction};
}

}  // namespace

Route::Route(std::string name, std::vector<GeoPoint> line)
    : name_(std::move(name)),
      line_(std::move(line)),
      vertexChainage_(chainageOfVertices(line_)),
      index_(line_) {}

std::optional<std::size_t> Route::markerNamed(std::string_view name) const {
    const auto it =
        std::find_if(markers_.begin(), markers_.end(), [&](const Marker& m) { return m.name == name; });
    return it == markers_.end() ? std::nullopt : std::optional<std::size_t>(it - markers_.begin());
}

RoutePosition Route::project(const SegmentCandidate& candidate, const GeoPoint& position) const {
    const GeoPoint& a = line_[candidate.segment];
    const GeoPoint& b = line_[candidate.segment + 1];
    const SegmentFoot foot = projectOntoSegment(a, b, position, between(a, b, candidate.fraction));
    const double segmentMetres = vertexChainage_[candidate.segment + 1] - vertexChainage_[candidate.segment];
    return {vertexChainage_[candidate.segment] + std::min(foot.fromStartMetres, segmentMetres),
            foot.offMetres, foot.foot, candidate.segment};
}

// A foot stopped at a vertex may lie on the neighbouring segment: walk on while it comes nearer.
RoutePosition Route::projectAround(const SegmentCandidate& candidate, const GeoPoint& position) const {
    RoutePosition best = project(candidate, position);
    for (int step = 0; step < 8; ++step) {
        const std::size_t s = best.segment;
        const bool atStart = best.chainageMetres <= vertexChainage_[s] && s > 0;
        const bool atEnd = best.chainageMetres >= vertexChainage_[s + 1] && s + 2 < line_.size();
        if (!atStart && !atEnd) {
            break;
        }
        const RoutePosition next = project({atStart ? s - 1 : s + 1, atStart ? 1.0 : 0.0, 0}, position);
        if (next.offRouteMetres >= best.offRouteMetres) {
            break;
        }
        best = next;
    }
    return best;
}

// The geodesically nearest of candidates the cheap measure could not tell apart. Along one leg
// the sphere ranks segments as the ellipsoid does, so one projection settles it; another leg
// within the sphere's margin is projected too.
RoutePosition Route::nearestOf(std::span<const SegmentCandidate> candidates, const GeoPoint& position) const {
    if (candidates.empty()) {
        return {0, 0, line_.front(), 0};
    }
    const SegmentCandidate& first = candidates.front();
    const double reach = first.approxMetres * 1.01 + 1.0;
    // Seen from the position, a stretch this short turns the line's direction only a little, and
    // with it the sphere's error: its nearest segment is the first one, or a neighbour walked to.
    const double sameLeg = std::max(50.0, 0.1 * first.approxMetres);
    RoutePosition best = projectAround(first, position);
    for (const SegmentCandidate& candidate : candidates.subspan(1)) {
        if (candidate.approxMetres > reach) {
            break;
        }
        if (std::abs(approxChainage(candidate) - approxChainage(first)) <= sameLeg) {
            continue;
        }
        if (const RoutePosition other = projectAround(candidate, position);
            other.offRouteMetres < best.offRouteMetres) {
            best = other;
        }
    }
    return best;
}

double Route::approxChainage(const SegmentCandidate& candidate) const {
    const double start = vertexChainage_[candidate.segment];
    return start + (vertexChainage_[candidate.segment + 1] - start) * candidate.fraction;
}

RoutePosition Route::locate(const GeoPoint& position) const {
    return nearestOf(index_.near(position, 0), position);
}

RoutePosition Route::locate(const GeoPoint& position, const LocateHint& hint) const {
    std::vector<SegmentCandidate> candidates = index_.near(position, hint.withinMetres);
    if (candidates.empty()) {
        return nearestOf(candidates, position);
    }
    // The leg nearest the hint by chainage (ahead of it first, if the pig's way is known), then
    // the nearest segment of that leg only.
    const auto byHint = [&](const SegmentCandidate& c) {
        const double ahead = (approxChainage(c) - hint.chainageMetres) * hint.direction;
        const bool behind = hint.direction != 0 && ahead < -hint.withinMetres;
        return std::abs(approxChainage(c) - hint.chainageMetres) + (behind ? lengthMetres() : 0.0);
    };
    const auto leg = std::min_element(candidates.begin(), candidates.end(),
                                      [&](const auto& x, const auto& y) { return byHint(x) < byHint(y); });
    const double legChainage = approxChainage(*leg);
    std::erase_if(candidates, [&](const SegmentCandidate& c) {
        return std::abs(approxChainage(c) - legChainage) > 2 * hint.withinMetres + c.approxMetres;
    });
    return nearestOf(candidates, position);
}

std::string Route::placeMarkers(std::vector<MarkerDraft> drafts, double maxOffLineMetres) {
    std::set<std::string> names;
    std::vector<Marker> placed;
    for (MarkerDraft& draft : drafts) {
        if (!names.insert(draft.name).second) {
            return "two markers are named " + draft.name;
        }
        if (!std::isfinite(draft.position.lat) || !std::isfinite(draft.position.lon)) {
            return "marker " + draft.name + " has no valid position";
        }
        const RoutePosition at = locate(draft.position);
        if (at.offRouteMetres > maxOffLineMetres) {
            return "marker " + draft.name + " is " + formatMetres(at.offRouteMetres) +
                   " m from the line (at most " + formatMetres(maxOffLineMetres) + " m)";
        }
        const bool surveyed = draft.surveyedChainageMetres.has_value();
        placed.push_back({std::move(draft.name), draft.position,
                          surveyed ? *draft.surveyedChainageMetres : at.chainageMetres, at.chainageMetres,
                          at.offRouteMetres, surveyed});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Marker& x, const Marker& y) {
        return x.lineChainageMetres < y.lineChainageMetres;
    });
    for (std::size_t i = 1; i < placed.size(); ++i) {
        if (placed[i].chainageMetres < placed[i - 1].chainageMetres) {
            return "markers " + placed[i - 1].name + " and " + placed[i].name +
                   ": their chainages run against their order along the line";
        }
    }
    markers_ = std::move(placed);
    return {};
}

}  // namespace quorvex::tracking
