#pragma once

#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <optional>
#include <span>

namespace quorvex::tracking {

// One pig's figures from the times it passed each marker (indexed by marker) and the clock:
// segment speeds, the speed it goes at (the last two passages', else the planned), where it is
// by dead reckoning (never past the next marker it has not passed), the ETAs ahead, and the next
// marker overdue once its ETA is past by more than the run's tolerance.
PigProgress estimateProgress(const Route& route, const RunPlan& plan, std::size_t pig,
                             std::span<const std::optional<UtcTime>> passedAt, UtcTime now);

}  // namespace quorvex::tracking
