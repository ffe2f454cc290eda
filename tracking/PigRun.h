#pragma once

#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <span>
#include <vector>

namespace quorvex::tracking {

// A run's passages as they arrive, each placed once against the route near the last known
// chainage; evaluating is a plain function of them and the clock.
class PigRun {
public:
    // The route outlives the run; the plan is one checkRunPlan accepted.
    PigRun(const Route& route, RunPlan plan);

    const PlacedPassage& add(Passage passage);
    std::span<const PlacedPassage> passages() const { return passages_; }
    const RunPlan& plan() const { return plan_; }
    RunState evaluate(UtcTime now) const;

private:
    const Route& route_;
    RunPlan plan_;
    std::vector<PlacedPassage> passages_;
    double lastLineChainage_;  // of the last passage at a marker, at first the launch marker's
};

}  // namespace quorvex::tracking
