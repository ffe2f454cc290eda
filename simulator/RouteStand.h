#pragma once

#include "simulator/UnitProfile.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::simulator {

class UnitSimulator;

// A unit standing at a marker of a pipeline's route while a pig runs the line: it reports the
// passage when the pig, launched at a marker at a time and a speed, would pass it.
struct RouteStand {
    std::optional<std::filesystem::path> route;  // --route FILE
    std::string marker;                          // --route-marker NAME: where the unit stands
    std::string launchMarker;                    // --launch NAME[@WHEN]; default the route's first
    std::optional<std::chrono::system_clock::time_point> launchAt;  // @2026-12-08T15:00:00Z
    std::chrono::seconds launchIn{0};                               // @+SECONDS from the start
    double metresPerSecond = 2;                                     // --pig-speed M/S
};

// Reads "NAME", "NAME@+SECONDS" or "NAME@YYYY-MM-DDTHH:MM:SSZ"; false when it is none of them.
bool readLaunch(std::string_view text, RouteStand& stand);

// When and where: the unit's GPS fix is the marker's position; the pig passes after the way
// from the launch marker at the pig's speed, a few per cent slower or faster (as a real pig
// goes), the same every time for the same markers.
struct RoutePassagePlan {
    GpsFix fix;
    std::chrono::system_clock::time_point passes;
    std::string text;  // what the program says of it
};

// Reads the route and plans the passage; returns an error text or "".
std::string planRoutePassage(const RouteStand& stand, std::chrono::system_clock::time_point start,
                             RoutePassagePlan& plan);

// Sets the unit's fix and schedules the passage (none when the pig passed before `now`).
void scheduleRoutePassage(UnitSimulator& unit, const RoutePassagePlan& plan,
                          std::chrono::system_clock::time_point now);

}  // namespace quorvex::simulator
