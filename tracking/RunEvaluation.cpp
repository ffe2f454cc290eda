#include "tracking/RunEvaluation.h"

#include "tracking/PigAssignment.h"
#include "tracking/ProgressEstimate.h"

namespace quorvex::tracking {

RunState evaluateRun(const Route& route, const RunPlan& plan, std::span<const PlacedPassage> passages,
                     UtcTime now) {
    PigAssignment assignment = assignPassages(route, plan, passages);
    RunState state{std::move(assignment.outcomes), {}};
    state.pigs.reserve(plan.pigs.size());
    for (std::size_t pig = 0; pig < plan.pigs.size(); ++pig) {
        state.pigs.push_back(estimateProgress(route, plan, pig, assignment.passedAt[pig], now));
    }
    return state;
}

std::string stuckBracket(const Route& route, const PigProgress& progress) {
    if (!progress.overdueMarker || !progress.lastMarker) {
        return {};
    }
    return "between marker " + route.markers()[*progress.lastMarker].name + " and marker " +
           route.markers()[*progress.overdueMarker].name;
}

}  // namespace quorvex::tracking
