#pragma once

#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <nlohmann/json.hpp>

#include <span>

namespace quorvex::tracker {

// The run's figures as the page and the broker's subscribers read them: per marker its state,
// passed time, speed and ETA; the pig's estimated place; every passage and what became of it.
nlohmann::json runStateJson(const tracking::Route& route, const tracking::RunPlan& plan,
                            const tracking::RunState& state,
                            std::span<const tracking::PlacedPassage> passages);

// The route's line ([lat, lon] pairs) and markers, for the map.
nlohmann::json routeJson(const tracking::Route& route);

// "2026-12-07T22:40:01.123456Z", or null.
nlohmann::json timeJson(std::optional<std::int64_t> microseconds);

}  // namespace quorvex::tracker
