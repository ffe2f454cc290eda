#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace quorvex::tracking {

// quorvex-route: the engine's answers for GIS people and scripts.
//   quorvex-route [--json] info ROUTE
//   quorvex-route [--json] locate ROUTE LAT LON [--near CHAINAGE]
// Returns the exit status: 0, or 2 for bad input (said on `error`).
int runRouteCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& error);

std::string_view routeCommandHelp();

}  // namespace quorvex::tracking
