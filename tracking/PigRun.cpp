#include "tracking/PigRun.h"

#include "tracking/PassagePlacement.h"
#include "tracking/RunEvaluation.h"

namespace quorvex::tracking {

PigRun::PigRun(const Route& route, RunPlan plan)
    : route_(route),
      plan_(std::move(plan)),
      lastLineChainage_(route.markers()[plan_.pigs.front().launchMarker].lineChainageMetres) {}

const PlacedPassage& PigRun::add(Passage passage) {
    passages_.push_back(placePassage(route_, plan_.settings, std::move(passage), lastLineChainage_));
    const PlacedPassage& placed = passages_.back();
    if (placed.marker) {
        lastLineChainage_ = route_.markers()[*placed.marker].lineChainageMetres;
    }
    return placed;
}

RunState PigRun::evaluate(UtcTime now) const {
    return evaluateRun(route_, plan_, passages_, now);
}

}  // namespace quorvex::tracking
