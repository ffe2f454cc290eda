#include "runreport/RunExport.h"

#include "journal/ExportText.h"
#include "journal/JsonText.h"
#include "runreport/RoutePoint.h"
#include "tracking/RunEvaluation.h"

#include <optional>

namespace quorvex::runreport {

namespace {

using journal::jsonNumber;
using journal::jsonText;

std::optional<std::string> isoTime(const std::optional<tracking::UtcTime>& time) {
    if (!time) {
        return std::nullopt;
    }
    return journal::isoUtc(time->time_since_epoch().count());
}

std::string jsonTime(const std::optional<tracking::UtcTime>& time) {
    const auto text = isoTime(time);
    return text ? jsonText(*text) : "null";
}

void csvField(std::string& out, const std::string& value, bool last = false) {
    const bool quoted = value.find_first_of(",\"\r\n") != std::string::npos;
    out += quoted ? "\"" : "";
    for (const char c : value) {
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    out += quoted ? "\"" : "";
    out += last ? "\r\n" : ",";
}

std::string progressName(tracking::MarkerProgress progress) {
    switch (progress) {
        case tracking::MarkerProgress::Passed:
            return "passed";
        case tracking::MarkerProgress::Missed:
            return "missed";
        case tracking::MarkerProgress::Overdue:
            return "overdue";
        case tracking::MarkerProgress::Ahead:
            break;
    }
    return "ahead";
}

std::string fateName(tracking::PassageFate fate) {
    switch (fate) {
        case tracking::PassageFate::Assigned:
            return "assigned";
        case tracking::PassageFate::Duplicate:
            return "duplicate";
        case tracking::PassageFate::NoPig:
            return "no pig";
        case tracking::PassageFate::OffRoute:
            break;
    }
    return "off route";
}

std::optional<double> kmh(const std::optional<double>& metresPerSecond) {
    return metresPerSecond ? std::optional<double>(tracking::kilometresPerHour(*metresPerSecond))
                           : std::nullopt;
}

std::string point(const tracking::GeoPoint& p) {
    return "{\"type\":\"Point\",\"coordinates\":[" + journal::decimal(p.lon) + "," + journal::decimal(p.lat) +
           "]}";
}

std::string feature(const std::string& geometry, const std::string& properties) {
    return "{\"type\":\"Feature\",\"geometry\":" + geometry + ",\"properties\":{" + properties + "}}";
}

std::string lineFeature(const tracking::Route& route) {
    std::string coordinates;
    for (const tracking::GeoPoint& p : route.line()) {
        coordinates += (coordinates.empty() ? "[" : ",[") + journal::decimal(p.lon) + "," +
                       journal::decimal(p.lat) + "]";
    }
    return feature("{\"type\":\"LineString\",\"coordinates\":[" + coordinates + "]}",
                   "\"kind\":\"route\",\"name\":" + jsonText(route.name()) +
                       ",\"length_m\":" + jsonNumber(route.lengthMetres()));
}

std::string markerFeature(const RunSnapshot& run, const tracking::CourseMarker& at) {
    const tracking::Marker& marker = run.route->markers()[at.marker];
    return feature(point(marker.position),
                   "\"kind\":\"marker\",\"name\":" + jsonText(marker.name) + ",\"chainage_m\":" +
                       jsonNumber(marker.chainageMetres) + ",\"passed_at\":" + jsonTime(at.passedAt) +
                       ",\"segment_speed_kmh\":" + jsonNumber(kmh(at.segmentMetresPerSecond)) +
                       ",\"eta\":" + jsonTime(at.eta) + ",\"state\":" + jsonText(progressName(at.progress)));
}

std::string passageFeature(const RunSnapshot& run, std::size_t i) {
    const tracking::PlacedPassage& placed = run.passages[i];
    const tracking::PassageOutcome& outcome = run.state.passages[i];
    const std::string marker = outcome.marker ? jsonText(run.route->markers()[*outcome.marker].name) : "null";
    return feature(placed.passage.position ? point(*placed.passage.position) : "null",
                   "\"kind\":\"passage\",\"time\":" + jsonTime(placed.passage.time) + ",\"unit\":" +
                       jsonText(placed.passage.unit) + ",\"fate\":" + jsonText(fateName(outcome.fate)) +
                       ",\"marker\":" + marker + ",\"off_route_m\":" + jsonNumber(placed.offRouteMetres));
}

std::string alarmJson(const RunSnapshot& run, const RunAlarm& alarm) {
    return "{\"pig\":" + jsonText(run.plan.pigs[alarm.pig].name) +
           ",\"marker\":" + jsonText(run.route->markers()[alarm.marker].name) +
           ",\"text\":" + jsonText(alarm.text) + ",\"raised\":" + jsonTime(alarm.raised) +
           ",\"acknowledged\":" + jsonTime(alarm.acknowledged) + ",\"cleared\":" + jsonTime(alarm.cleared) +
           "}";
}

}  // namespace

std::string runCsv(const RunSnapshot& run) {
    std::string out = "marker,chainage_m,passed_utc,segment_speed_kmh,eta_utc,state\r\n";
    if (run.pig() == nullptr) {
        return out;
    }
    for (const tracking::CourseMarker& at : run.pig()->course) {
        const tracking::Marker& marker = run.route->markers()[at.marker];
        csvField(out, marker.name);
        csvField(out, journal::decimal(marker.chainageMetres));
        csvField(out, isoTime(at.passedAt).value_or(""));
        csvField(out, at.segmentMetresPerSecond ? journal::decimal(*kmh(at.segmentMetresPerSecond)) : "");
        csvField(out, isoTime(at.eta).value_or(""));
        csvField(out, progressName(at.progress), true);
    }
    return out;
}

std::string runGeoJson(const RunSnapshot& run, std::span<const RunAlarm> alarms) {
    std::string features;
    const auto add = [&features](const std::string& one) {
        features += (features.empty() ? "" : ",\n") + one;
    };
    if (run.route != nullptr) {
        add(lineFeature(*run.route));
    }
    if (const tracking::PigProgress* pig = run.pig()) {
        for (const tracking::CourseMarker& at : pig->course) {
            add(markerFeature(run, at));
        }
        for (std::size_t i = 0; i < run.passages.size(); ++i) {
            add(passageFeature(run, i));
        }
        add(feature(point(pointAtChainage(*run.route, pig->estimatedChainageMetres)),
                    "\"kind\":\"estimate\",\"pig\":" + jsonText(run.plan.pigs.front().name) + ",\"time\":" +
                        jsonTime(run.now) + ",\"chainage_m\":" + jsonNumber(pig->estimatedChainageMetres) +
                        ",\"speed_kmh\":" + jsonNumber(tracking::kilometresPerHour(pig->metresPerSecond))));
    }
    std::string alarmList;
    for (const RunAlarm& alarm : alarms) {
        alarmList += (alarmList.empty() ? "" : ",") + alarmJson(run, alarm);
    }
    return "{\"type\":\"FeatureCollection\",\"alarms\":[" + alarmList + "],\"features\":[\n" + features +
           "\n]}\n";
}

}  // namespace quorvex::runreport
