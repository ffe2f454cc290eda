#include "tracking/ProgressEstimate.h"

#include <algorithm>

namespace quorvex::tracking {

namespace {

double secondsBetween(UtcTime from, UtcTime to) {
    return std::chrono::duration<double>(to - from).count();
}

UtcTime after(UtcTime from, double seconds) {
    return from + std::chrono::round<std::chrono::microseconds>(std::chrono::duration<double>(seconds));
}

// The last point the pig is known at: the launch, or its last passage.
struct Fix {
    double travelMetres = 0;
    UtcTime time;
    bool passage = false;
};

class Estimator {
public:
    Estimator(const Route& route, const RunPlan& plan, std::size_t pig)
        : route_(route),
          settings_(plan.settings),
          launch_(plan.pigs[pig]),
          fix_{0, launch_.launchTime, false} {}

    PigProgress estimate(std::span<const std::optional<UtcTime>> passedAt, UtcTime now) {
        buildCourse();
        progress_.launched = now >= launch_.launchTime;
        const std::size_t next = takePassages(passedAt);
        progress_.metresPerSecond = measured_.value_or(launch_.plannedMetresPerSecond);
        progress_.speedMeasured = measured_.has_value();
        progress_.speedOutOfBand = measured_ && outOfBand(*measured_);
        placeNow(next, now);
        if (next < progress_.course.size()) {
            lookAhead(next, now);
        }
        return std::move(progress_);
    }

private:
    bool outOfBand(double speed) const {
        return speed < settings_.minMetresPerSecond || speed > settings_.maxMetresPerSecond;
    }

    void buildCourse() {
        const bool along = settings_.direction == RunDirection::AlongLine;
        const long count = static_cast<long>(route_.markers().size());
        for (long m = static_cast<long>(launch_.launchMarker); m >= 0 && m < count; m += along ? 1 : -1) {
            const auto marker = static_cast<std::size_t>(m);
            CourseMarker& at = progress_.course.emplace_back();
            at.marker = marker;
            at.travelMetres = travelMetres(route_, settings_.direction, launch_.launchMarker, marker);
        }
        progress_.lastMarker = launch_.launchMarker;
    }

    // Marks the passed markers with their segment speeds; returns the index on the course of the
    // next marker not passed.
    std::size_t takePassages(std::span<const std::optional<UtcTime>> passedAt) {
        std::size_t next = 0;
        // The launch is the pig's known place at the launch time: its marker is passed then, with
        // nobody there to report it; a unit's passage there, if any, takes its place below.
        if (progress_.launched) {
            progress_.course.front().passedAt = launch_.launchTime;
            progress_.course.front().progress = MarkerProgress::Passed;
            next = 1;
        }
        for (std::size_t j = 0; j < progress_.course.size(); ++j) {
            CourseMarker& at = progress_.course[j];
            if (!passedAt[at.marker]) {
                continue;
            }
            at.passedAt = passedAt[at.marker];
            at.progress = MarkerProgress::Passed;
            const double metres = at.travelMetres - fix_.travelMetres;
            const double seconds = secondsBetween(fix_.time, *at.passedAt);
            // Markers closer than a metre are one place: no speed between them.
            if (metres >= 1 && seconds > 0) {
                at.segmentMetresPerSecond = metres / seconds;
                at.speedOutOfBand = outOfBand(*at.segmentMetresPerSecond);
                if (fix_.passage) {
                    measured_ = at.segmentMetresPerSecond;
                }
            }
            fix_ = {at.travelMetres, *at.passedAt, true};
            progress_.lastMarker = at.marker;
            next = j + 1;
        }
        for (std::size_t j = 0; j < next; ++j) {
            if (!progress_.course[j].passedAt) {
                progress_.course[j].progress = MarkerProgress::Missed;
            }
        }
        return next;
    }

    void placeNow(std::size_t next, UtcTime now) {
        const double launchChainage = route_.markers()[launch_.launchMarker].chainageMetres;
        const bool along = settings_.direction == RunDirection::AlongLine;
        const double lineEnd = along ? route_.lengthMetres() - launchChainage : launchChainage;
        const double limit = next < progress_.course.size() ? progress_.course[next].travelMetres
                                                            : std::max(lineEnd, fix_.travelMetres);
        const double moved = progress_.launched
                                 ? progress_.metresPerSecond * std::max(0.0, secondsBetween(fix_.time, now))
                                 : 0;
        const double travelled = std::min(fix_.travelMetres + moved, limit);
        progress_.estimatedChainageMetres = launchChainage + (along ? travelled : -travelled);
    }

    void lookAhead(std::size_t next, UtcTime now) {
        const double speed = progress_.metresPerSecond;
        CourseMarker& first = progress_.course[next];
        const double expected = (first.travelMetres - fix_.travelMetres) / speed;
        const UtcTime eta = after(fix_.time, expected);
        first.eta = eta;
        const double tolerance = std::max(settings_.overdueFraction * expected,
                                          std::chrono::duration<double>(settings_.overdueMinimum).count());
        if (now > after(eta, tolerance)) {
            first.progress = MarkerProgress::Overdue;
            progress_.overdueMarker = first.marker;
        }
        const UtcTime from = std::max(eta, now);
        for (std::size_t j = next + 1; j < progress_.course.size(); ++j) {
            CourseMarker& at = progress_.course[j];
            at.eta = after(from, (at.travelMetres - first.travelMetres) / speed);
        }
    }

    const Route& route_;
    const RunSettings& settings_;
    const PigLaunch& launch_;
    Fix fix_;
    std::optional<double> measured_;
    PigProgress progress_;
};

}  // namespace

PigProgress estimateProgress(const Route& route, const RunPlan& plan, std::size_t pig,
                             std::span<const std::optional<UtcTime>> passedAt, UtcTime now) {
    return Estimator(route, plan, pig).estimate(passedAt, now);
}

}  // namespace quorvex::tracking
