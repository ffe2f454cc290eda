#pragma once

#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <optional>
#include <span>
#include <vector>

namespace quorvex::tracking {

// The passages shared out among the pigs of a run.
struct PigAssignment {
    std::vector<PassageOutcome> outcomes;                       // one per passage, in its order
    std::vector<std::vector<std::optional<UtcTime>>> passedAt;  // [pig][marker]
};

// Goes through the passages in time order: one at a marker within the lock-out of the last
// passage there is a duplicate of that pig's; else it is the first pig, in launch order, that was
// launched by then, has the marker on its course, and has passed neither it nor any beyond it.
PigAssignment assignPassages(const Route& route, const RunPlan& plan,
                             std::span<const PlacedPassage> passages);

// The marker's place on the pig's course: 0 at its launch marker, negative behind it.
long courseRank(const RunPlan& plan, std::size_t pig, std::size_t marker);

}  // namespace quorvex::tracking
