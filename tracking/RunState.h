#pragma once

#include "tracking/RunPlan.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace quorvex::tracking {

// What became of one passage.
enum class PassageFate {
    Assigned,   // the pig's passage at the marker
    Duplicate,  // the same pig again at the same marker within the lock-out
    OffRoute,   // not at any marker of the route
    NoPig,      // at a marker no pig of the run could be passing (not launched, already passed)
};

struct PassageOutcome {
    PassageFate fate = PassageFate::OffRoute;
    std::optional<std::size_t> pig;
    std::optional<std::size_t> marker;
};

enum class MarkerProgress {
    Passed,
    Missed,  // not reported, but the pig has passed a marker beyond it
    Ahead,
    Overdue,  // its ETA has passed by more than the run's tolerance
};

// One marker on a pig's course (the markers from its launch marker on, in travel order).
struct CourseMarker {
    std::size_t marker = 0;
    double travelMetres = 0;  // from the launch marker
    MarkerProgress progress = MarkerProgress::Ahead;
    std::optional<UtcTime> passedAt;  // the launch marker's: the launch time, unless a unit saw it
    std::optional<double> segmentMetresPerSecond;  // from the previous marker passed (or the launch)
    bool speedOutOfBand = false;
    std::optional<UtcTime> eta;
};

// Where one pig is, as far as its passages and the clock tell.
struct PigProgress {
    bool launched = false;
    std::vector<CourseMarker> course;
    double estimatedChainageMetres = 0;  // now, by dead reckoning, never past the next marker
    double metresPerSecond = 0;          // measured from its last two passages, else the planned
    bool speedMeasured = false;
    bool speedOutOfBand = false;
    std::optional<std::size_t> lastMarker;     // the last marker passed (or launched from)
    std::optional<std::size_t> overdueMarker;  // then the pig is stuck between the two
};

struct RunState {
    std::vector<PassageOutcome> passages;  // in the order they were given
    std::vector<PigProgress> pigs;         // in launch order
};

}  // namespace quorvex::tracking
