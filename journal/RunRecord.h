#pragma once

#include "journal/JournalRows.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::journal {

// A pig run as the journal keeps it: plain values in the engine's units (degrees, metres,
// seconds, microseconds UTC), so the journal needs nothing of the engine to keep and give it back.

struct RunPoint {
    double latitude = 0;
    double longitude = 0;
};

struct RunMarkerRecord {
    std::string name;
    RunPoint position;
    std::optional<double> surveyedChainageMetres;
};

// The route as it was read when the run began: a file moved or changed later loses nothing.
struct RunRouteRecord {
    std::string path;
    std::string name;
    std::vector<RunPoint> line;
    std::vector<RunMarkerRecord> markers;  // in the route's order
};

struct RunSettingsRecord {
    bool againstLine = false;
    double markerToleranceMetres = 0;
    double offRouteMetres = 0;
    std::int64_t lockoutSeconds = 0;
    double minMetresPerSecond = 0;
    double maxMetresPerSecond = 0;
    double overdueFraction = 0;
    std::int64_t overdueMinimumSeconds = 0;
};

struct RunPigRecord {
    std::string name;
    std::int64_t launchMarker = 0;  // index into the route's markers
    Microseconds launchTime = 0;
    double plannedMetresPerSecond = 0;
};

// A passage given to the run: a row of this journal or of another unit's, named by the journal's
// UUID and the row's id, with what the run needs of it.
struct RunPassageRecord {
    Microseconds time = 0;
    std::optional<RunPoint> position;
    std::string marker;
    std::string unit;
    std::string journal;
    std::optional<std::int64_t> eventId;
};

struct RunAlarmRecord {
    std::int64_t pig = 0;
    std::int64_t marker = 0;
    std::string text;
    Microseconds raised = 0;
    std::optional<Microseconds> acknowledged;
    std::optional<Microseconds> cleared;
};

struct RunRecord {
    std::int64_t id = 0;  // given by the journal
    Microseconds started = 0;
    std::optional<Microseconds> ended;
    RunRouteRecord route;
    RunSettingsRecord settings;
    std::vector<RunPigRecord> pigs;          // in launch order
    std::vector<RunPassageRecord> passages;  // in the order they were given
    std::vector<RunAlarmRecord> alarms;      // in the order they were raised
};

}  // namespace quorvex::journal
