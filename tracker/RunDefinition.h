#pragma once

#include "tracking/Route.h"
#include "tracking/RunPlan.h"

#include <nlohmann/json.hpp>

#include <set>
#include <string>

namespace quorvex::tracker {

// A run as an operator starts it, and as it travels between trackers:
// {"name", "route" (its file name), "launch" (a marker), "launchTime" (ISO UTC),
//  "speedKmh" (planned), "units" (serials tied to the run; none: any unit on the route)}; a train
// gives "pigs": [{"launch", "launchTime", "speedKmh"}, ...] in launch order instead.
// More pigs than any train; a definition listing more is refused.
inline constexpr std::size_t MaxPigs = 64;

struct RunDefinition {
    std::string name;
    std::string route;
    tracking::RunPlan plan;
    std::set<std::string> units;
};

// Reads a definition against its route; "" or why it is not one.
std::string readRunDefinition(const nlohmann::json& json, const tracking::Route* route,
                              RunDefinition& definition);

// The route file a definition names, or "".
std::string routeOfDefinition(const nlohmann::json& json);

}  // namespace quorvex::tracker
