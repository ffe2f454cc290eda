#include "tracker/RunJson.h"

#include "journal/ExportText.h"
#include "tracking/RunEvaluation.h"

#include <algorithm>

namespace quorvex::tracker {

using nlohmann::json;
using namespace tracking;

namespace {

std::optional<std::int64_t> micros(const std::optional<UtcTime>& time) {
    return time ? std::optional(time->time_since_epoch().count()) : std::nullopt;
}

const char* progressName(MarkerProgress progress) {
    switch (progress) {
        case MarkerProgress::Passed:
            return "passed";
        case MarkerProgress::Missed:
            return "missed";
        case MarkerProgress::Overdue:
            return "overdue";
        case MarkerProgress::Ahead:
            break;
    }
    return "ahead";
}

const char* fateName(PassageFate fate) {
    switch (fate) {
        case PassageFate::Assigned:
            return "assigned";
        case PassageFate::Duplicate:
            return "duplicate";
        case PassageFate::NoPig:
            return "no pig";
        case PassageFate::OffRoute:
            break;
    }
    return "off route";
}

json optionalKmh(const std::optional<double>& metresPerSecond) {
    return metresPerSecond ? json(kilometresPerHour(*metresPerSecond)) : json();
}

// The point on the line at a chainage of the line's own scale.
json pointAt(const Route& route, double chainage) {
    const auto vertices = route.vertexChainage();
    const auto line = route.line();
    const auto after = std::upper_bound(vertices.begin(), vertices.end(), chainage);
    if (after == vertices.begin() || after == vertices.end()) {
        const GeoPoint& end = after == vertices.begin() ? line.front() : line.back();
        return json::array({end.lat, end.lon});
    }
    const auto index = static_cast<std::size_t>(after - vertices.begin());
    const double part =
        (chainage - vertices[index - 1]) / std::max(1e-9, vertices[index] - vertices[index - 1]);
    const GeoPoint& a = line[index - 1];
    const GeoPoint& b = line[index];
    return json::array({a.lat + (b.lat - a.lat) * part, a.lon + (b.lon - a.lon) * part});
}

json courseJson(const Route& route, const CourseMarker& course) {
    const Marker& marker = route.markers()[course.marker];
    return {{"marker", course.marker},
            {"name", marker.name},
            {"chainage", marker.chainageMetres},
            {"state", progressName(course.progress)},
            {"passedAt", timeJson(micros(course.passedAt))},
            {"speedKmh", optionalKmh(course.segmentMetresPerSecond)},
            {"speedOutOfBand", course.speedOutOfBand},
            {"eta", timeJson(micros(course.eta))}};
}

// The engine's chainage is on the markers' scale; the map's point is on the line's, so the
// place is interpolated between the two markers around it.
double lineChainage(const Route& route, double chainage) {
    const auto markers = route.markers();
    for (std::size_t i = 1; i < markers.size(); ++i) {
        const Marker& a = markers[i - 1];
        const Marker& b = markers[i];
        if (chainage <= b.chainageMetres || i + 1 == markers.size()) {
            const double span = std::max(1e-9, b.chainageMetres - a.chainageMetres);
            const double part = (chainage - a.chainageMetres) / span;
            return a.lineChainageMetres + part * (b.lineChainageMetres - a.lineChainageMetres);
        }
    }
    return chainage;
}

json pigJson(const Route& route, const PigLaunch& launch, const PigProgress& pig) {
    json course = json::array();
    for (const CourseMarker& marker : pig.course) {
        course.push_back(courseJson(route, marker));
    }
    const std::string stuck = stuckBracket(route, pig);
    return {{"name", launch.name},
            {"launched", pig.launched},
            {"chainage", pig.estimatedChainageMetres},
            {"position", pointAt(route, lineChainage(route, pig.estimatedChainageMetres))},
            {"speedKmh", kilometresPerHour(pig.metresPerSecond)},
            {"speedMeasured", pig.speedMeasured},
            {"speedOutOfBand", pig.speedOutOfBand},
            {"stuck", stuck.empty() ? json() : json(stuck)},
            {"markers", std::move(course)}};
}

json passageJson(const Route& route, const PlacedPassage& placed, const PassageOutcome& outcome) {
    const Passage& passage = placed.passage;
    return {{"journal", passage.journal},
            {"id", passage.row},
            {"unit", passage.unit},
            {"time", timeJson(passage.time.time_since_epoch().count())},
            {"marker", placed.marker ? json(route.markers()[*placed.marker].name) : json()},
            {"chainage", placed.lineChainageMetres ? json(*placed.lineChainageMetres) : json()},
            {"fate", fateName(outcome.fate)}};
}

}  // namespace

json timeJson(std::optional<std::int64_t> microseconds) {
    return microseconds ? json(journal::isoUtc(*microseconds)) : json();
}

json routeJson(const Route& route) {
    json line = json::array();
    for (const GeoPoint& point : route.line()) {
        line.push_back({point.lat, point.lon});
    }
    json markers = json::array();
    for (const Marker& marker : route.markers()) {
        markers.push_back({{"name", marker.name},
                           {"position", {marker.position.lat, marker.position.lon}},
                           {"chainage", marker.chainageMetres}});
    }
    return {{"name", route.name()}, {"length", route.lengthMetres()}, {"line", line}, {"markers", markers}};
}

json runStateJson(const Route& route, const RunPlan& plan, const RunState& state,
                  std::span<const PlacedPassage> passages) {
    json pigs = json::array();
    for (std::size_t i = 0; i < state.pigs.size() && i < plan.pigs.size(); ++i) {
        pigs.push_back(pigJson(route, plan.pigs[i], state.pigs[i]));
    }
    json placed = json::array();
    for (std::size_t i = 0; i < passages.size() && i < state.passages.size(); ++i) {
        placed.push_back(passageJson(route, passages[i], state.passages[i]));
    }
    return {{"pigs", std::move(pigs)}, {"passages", std::move(placed)}};
}

}  // namespace quorvex::tracker
