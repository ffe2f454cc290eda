#pragma once

#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <span>
#include <string>

namespace quorvex::tracking {

// The whole run at `now`, from the placed passages alone: deterministic, so the console and the
// control room, given the same passages and clock, show the same figures. The plan is one
// checkRunPlan accepted.
RunState evaluateRun(const Route& route, const RunPlan& plan, std::span<const PlacedPassage> passages,
                     UtcTime now);

// "between marker A and marker B" for a pig that is overdue, else "".
std::string stuckBracket(const Route& route, const PigProgress& progress);

// km/h for the screen, from the m/s the engine works in.
inline double kilometresPerHour(double metresPerSecond) {
    return metresPerSecond * 3.6;
}

}  // namespace quorvex::tracking
