#include "tracking/PigAssignment.h"

#include <algorithm>
#include <numeric>

namespace quorvex::tracking {

namespace {

struct MarkerLast {
    std::optional<UtcTime> time;
    std::size_t pig = 0;
};

class Assigner {
public:
    Assigner(const Route& route, const RunPlan& plan)
        : plan_(plan), last_(route.markers().size()), furthest_(plan.pigs.size(), -1) {
        result_.passedAt.assign(plan.pigs.size(),
                                std::vector<std::optional<UtcTime>>(route.markers().size()));
    }

    PassageOutcome assign(const PlacedPassage& placed) {
        if (!placed.marker) {
            return {PassageFate::OffRoute, std::nullopt, std::nullopt};
        }
        const std::size_t marker = *placed.marker;
        const UtcTime time = placed.passage.time;
        MarkerLast& last = last_[marker];
        if (last.time && time - *last.time <= plan_.settings.lockout) {
            return {PassageFate::Duplicate, last.pig, marker};
        }
        for (std::size_t pig = 0; pig < plan_.pigs.size(); ++pig) {
            const long rank = courseRank(plan_, pig, marker);
            if (plan_.pigs[pig].launchTime <= time && rank >= 0 && furthest_[pig] < rank) {
                furthest_[pig] = rank;
                result_.passedAt[pig][marker] = time;
                last = {time, pig};
                return {PassageFate::Assigned, pig, marker};
            }
        }
        return {PassageFate::NoPig, std::nullopt, marker};
    }

    PigAssignment run(std::span<const PlacedPassage> passages) {
        std::vector<std::size_t> order(passages.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return passages[a].passage.time < passages[b].passage.time;
        });
        result_.outcomes.resize(passages.size());
        for (const std::size_t i : order) {
            result_.outcomes[i] = assign(passages[i]);
        }
        return std::move(result_);
    }

private:
    const RunPlan& plan_;
    std::vector<MarkerLast> last_;
    std::vector<long> furthest_;  // per pig, the course rank of the furthest marker passed
    PigAssignment result_;
};

}  // namespace

long courseRank(const RunPlan& plan, std::size_t pig, std::size_t marker) {
    const long offset = static_cast<long>(marker) - static_cast<long>(plan.pigs[pig].launchMarker);
    return plan.settings.direction == RunDirection::AlongLine ? offset : -offset;
}

PigAssignment assignPassages(const Route& route, const RunPlan& plan,
                             std::span<const PlacedPassage> passages) {
    return Assigner(route, plan).run(passages);
}

}  // namespace quorvex::tracking
