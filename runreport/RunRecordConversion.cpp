#include "runreport/RunRecordConversion.h"

#include "tracking/RouteBuilder.h"

namespace quorvex::runreport {

namespace {

using Microseconds = journal::Microseconds;

Microseconds microsecondsOf(tracking::UtcTime time) {
    return time.time_since_epoch().count();
}

tracking::UtcTime timeOf(Microseconds microseconds) {
    return tracking::UtcTime(std::chrono::microseconds(microseconds));
}

std::optional<Microseconds> microsecondsOf(const std::optional<tracking::UtcTime>& time) {
    return time ? std::optional(microsecondsOf(*time)) : std::nullopt;
}

std::optional<tracking::UtcTime> timeOf(const std::optional<Microseconds>& microseconds) {
    return microseconds ? std::optional(timeOf(*microseconds)) : std::nullopt;
}

journal::RunSettingsRecord settingsRecord(const tracking::RunSettings& settings) {
    return {settings.direction == tracking::RunDirection::AgainstLine,
            settings.markerToleranceMetres,
            settings.offRouteMetres,
            settings.lockout.count(),
            settings.minMetresPerSecond,
            settings.maxMetresPerSecond,
            settings.overdueFraction,
            settings.overdueMinimum.count()};
}

tracking::RunSettings settingsOf(const journal::RunSettingsRecord& record) {
    tracking::RunSettings settings;
    settings.direction =
        record.againstLine ? tracking::RunDirection::AgainstLine : tracking::RunDirection::AlongLine;
    settings.markerToleranceMetres = record.markerToleranceMetres;
    settings.offRouteMetres = record.offRouteMetres;
    settings.lockout = std::chrono::seconds(record.lockoutSeconds);
    settings.minMetresPerSecond = record.minMetresPerSecond;
    settings.maxMetresPerSecond = record.maxMetresPerSecond;
    settings.overdueFraction = record.overdueFraction;
    settings.overdueMinimum = std::chrono::seconds(record.overdueMinimumSeconds);
    return settings;
}

journal::RunRouteRecord routeRecord(const std::filesystem::path& path, const tracking::Route& route) {
    journal::RunRouteRecord record{path.string(), route.name(), {}, {}};
    record.line.reserve(route.line().size());
    for (const tracking::GeoPoint& point : route.line()) {
        record.line.push_back({point.lat, point.lon});
    }
    for (const tracking::Marker& marker : route.markers()) {
        record.markers.push_back({marker.name,
                                  {marker.position.lat, marker.position.lon},
                                  marker.surveyed ? std::optional(marker.chainageMetres) : std::nullopt});
    }
    return record;
}

tracking::RouteDraft routeDraft(const journal::RunRouteRecord& record) {
    tracking::RouteDraft draft{record.name, {{}}, {}};
    for (const journal::RunPoint& point : record.line) {
        draft.parts.front().push_back({point.latitude, point.longitude});
    }
    for (const journal::RunMarkerRecord& marker : record.markers) {
        draft.markers.push_back({marker.name,
                                 {marker.position.latitude, marker.position.longitude},
                                 marker.surveyedChainageMetres});
    }
    return draft;
}

tracking::Passage passageOf(const journal::RunPassageRecord& record) {
    tracking::Passage passage{timeOf(record.time), std::nullopt,   record.marker,
                              record.unit,         record.journal, record.eventId.value_or(0)};
    if (record.position) {
        passage.position = tracking::GeoPoint{record.position->latitude, record.position->longitude};
    }
    return passage;
}

}  // namespace

journal::RunRecord runRecord(const std::filesystem::path& routePath, const tracking::Route& route,
                             const tracking::RunPlan& plan, tracking::UtcTime started) {
    journal::RunRecord record;
    record.started = microsecondsOf(started);
    record.route = routeRecord(routePath, route);
    record.settings = settingsRecord(plan.settings);
    for (const tracking::PigLaunch& pig : plan.pigs) {
        record.pigs.push_back({pig.name, static_cast<std::int64_t>(pig.launchMarker),
                               microsecondsOf(pig.launchTime), pig.plannedMetresPerSecond});
    }
    return record;
}

journal::RunPassageRecord passageRecord(const tracking::Passage& passage) {
    journal::RunPassageRecord record{microsecondsOf(passage.time),
                                     std::nullopt,
                                     passage.marker,
                                     passage.unit,
                                     passage.journal,
                                     std::nullopt};
    if (passage.position) {
        record.position = journal::RunPoint{passage.position->lat, passage.position->lon};
    }
    // Row 0 is no row: a passage the run was given without one.
    if (passage.row != 0) {
        record.eventId = passage.row;
    }
    return record;
}

std::vector<journal::RunAlarmRecord> alarmRecords(std::span<const RunAlarm> alarms) {
    std::vector<journal::RunAlarmRecord> records;
    for (const RunAlarm& alarm : alarms) {
        records.push_back({static_cast<std::int64_t>(alarm.pig), static_cast<std::int64_t>(alarm.marker),
                           alarm.text, microsecondsOf(alarm.raised), microsecondsOf(alarm.acknowledged),
                           microsecondsOf(alarm.cleared)});
    }
    return records;
}

std::string restoreRun(const journal::RunRecord& record, RestoredRun& run) {
    if (std::string error =
            tracking::buildRoute(routeDraft(record.route), tracking::RouteLimits{}, run.route);
        !error.empty()) {
        return error;
    }
    run.routePath = record.route.path;
    run.plan.settings = settingsOf(record.settings);
    for (const journal::RunPigRecord& pig : record.pigs) {
        run.plan.pigs.push_back({pig.name, static_cast<std::size_t>(pig.launchMarker), timeOf(pig.launchTime),
                                 pig.plannedMetresPerSecond});
    }
    for (const journal::RunPassageRecord& passage : record.passages) {
        run.passages.push_back(passageOf(passage));
    }
    for (const journal::RunAlarmRecord& alarm : record.alarms) {
        run.alarms.push_back({static_cast<std::size_t>(alarm.pig), static_cast<std::size_t>(alarm.marker),
                              alarm.text, timeOf(alarm.raised), timeOf(alarm.acknowledged),
                              timeOf(alarm.cleared)});
    }
    return tracking::checkRunPlan(*run.route, run.plan);
}

}  // namespace quorvex::runreport
