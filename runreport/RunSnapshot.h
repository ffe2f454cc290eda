#pragma once

#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <vector>

namespace quorvex::runreport {

// A run as the Run tab last evaluated it: what the chart, the markers table, the route view and
// the report are drawn from. The route is the tab's and outlives every snapshot of it.
struct RunSnapshot {
    const tracking::Route* route = nullptr;
    tracking::RunPlan plan;
    std::vector<tracking::PlacedPassage> passages;
    tracking::RunState state;
    tracking::UtcTime now;

    // The first pig's progress (the tab starts runs of one pig), or null before a run.
    const tracking::PigProgress* pig() const { return state.pigs.empty() ? nullptr : &state.pigs.front(); }
};

}  // namespace quorvex::runreport
