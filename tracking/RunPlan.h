#pragma once

#include "tracking/Route.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace quorvex::tracking {

// A moment in UTC, to the microsecond (the journal's resolution).
using UtcTime = std::chrono::sys_time<std::chrono::microseconds>;

// Which way the pigs travel: towards higher chainage, or against the line's direction.
enum class RunDirection { AlongLine, AgainstLine };

// One pig put into the line: where, when, and how fast it is expected to go.
struct PigLaunch {
    std::string name;
    std::size_t launchMarker = 0;  // index into the route's markers
    UtcTime launchTime;
    double plannedMetresPerSecond = 1;
};

// How a run reads its passages and when it worries.
struct RunSettings {
    RunDirection direction = RunDirection::AlongLine;
    double markerToleranceMetres = 100;  // a passage this close to a marker (by chainage) is at it
    double offRouteMetres = 100;         // a passage farther from the line is off route
    std::chrono::seconds lockout{120};   // a second passage at a marker this soon is the same pig
    double minMetresPerSecond = 0.2;     // the speed band; outside it a segment is flagged
    double maxMetresPerSecond = 6;
    double overdueFraction = 0.5;              // of a segment's expected time, past the ETA...
    std::chrono::seconds overdueMinimum{300};  // ...but never less than this
};

// A run: the pigs in launch order (a train passes every marker in that order) and its settings.
struct RunPlan {
    RunSettings settings;
    std::vector<PigLaunch> pigs;
};

// An error text for a plan the route cannot run (a launch marker it does not have, a speed that
// is no speed, launches out of order...), or "".
std::string checkRunPlan(const Route& route, const RunPlan& plan);

// Metres travelled from `from` to `to` in the run's direction (negative: behind).
double travelMetres(const Route& route, RunDirection direction, std::size_t from, std::size_t to);

}  // namespace quorvex::tracking
