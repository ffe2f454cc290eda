#include "tracking/RunPlan.h"

#include <cmath>

namespace quorvex::tracking {

namespace {

std::string checkSettings(const RunSettings& s) {
    const bool positive = s.markerToleranceMetres > 0 && s.offRouteMetres > 0 && s.overdueFraction >= 0 &&
                          s.lockout.count() >= 0 && s.overdueMinimum.count() >= 0;
    if (!positive || !(s.minMetresPerSecond >= 0 && s.maxMetresPerSecond > s.minMetresPerSecond)) {
        return "the run's tolerances and speed band must be positive, the band's bottom below its top";
    }
    return {};
}

}  // namespace

std::string checkRunPlan(const Route& route, const RunPlan& plan) {
    if (plan.pigs.empty()) {
        return "a run needs a pig";
    }
    for (std::size_t i = 0; i < plan.pigs.size(); ++i) {
        const PigLaunch& pig = plan.pigs[i];
        if (pig.launchMarker >= route.markers().size()) {
            return "pig " + pig.name + ": the route has no such launch marker";
        }
        if (!(pig.plannedMetresPerSecond > 0) || !std::isfinite(pig.plannedMetresPerSecond)) {
            return "pig " + pig.name + ": the planned speed must be above 0 m/s";
        }
        if (i > 0 && pig.launchTime < plan.pigs[i - 1].launchTime) {
            return "pig " + pig.name + " is launched before the pig ahead of it";
        }
    }
    return checkSettings(plan.settings);
}

double travelMetres(const Route& route, RunDirection direction, std::size_t from, std::size_t to) {
    const double along = route.markers()[to].chainageMetres - route.markers()[from].chainageMetres;
    return direction == RunDirection::AlongLine ? along : -along;
}

}  // namespace quorvex::tracking
