#pragma once

#include "tracking/Route.h"
#include "tracking/RouteDraft.h"

#include <optional>
#include <string>

namespace quorvex::tracking {

// Joins the draft's parts end to end in their order into one line, turning a part around when
// its far end is the one that meets its neighbour, and places the markers. Returns an error text
// (a gap too wide, no line, a marker off the line...) or "" with the route built.
std::string buildRoute(RouteDraft draft, const RouteLimits& limits, std::optional<Route>& route);

}  // namespace quorvex::tracking
