#pragma once

#include "tracking/Route.h"
#include "tracking/RunPlan.h"
#include "tracking/RunState.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex::runreport {

// One overdue marker of one pig: raised once, acknowledged by the operator, cleared by the
// pig's passage (or by a marker beyond it).
struct RunAlarm {
    std::size_t pig = 0;
    std::size_t marker = 0;
    std::string text;  // "P1 is overdue at MLV03, between marker MLV02 and marker MLV03"
    tracking::UtcTime raised;
    std::optional<tracking::UtcTime> acknowledged;
    std::optional<tracking::UtcTime> cleared;
};

// The run's overdue alarms, kept from one evaluation to the next so that a marker that stays
// overdue alerts once, not at every look.
class RunAlarms {
public:
    // What one look at the run changed: indexes into all().
    struct Changes {
        std::vector<std::size_t> raised;
        std::vector<std::size_t> cleared;
    };

    Changes update(const tracking::Route& route, const tracking::RunPlan& plan,
                   const tracking::RunState& state, tracking::UtcTime now);
    // Acknowledges every alarm not yet acknowledged; false when there was none.
    bool acknowledge(tracking::UtcTime now);
    void clear() { alarms_.clear(); }
    // The alarms of a run taken up again, as they stood.
    void restore(std::vector<RunAlarm> alarms) { alarms_ = std::move(alarms); }

    std::span<const RunAlarm> all() const { return alarms_; }
    // The newest alarm neither acknowledged nor cleared: the one the banner shows.
    const RunAlarm* unacknowledged() const;

private:
    RunAlarm* active(std::size_t pig, std::size_t marker);

    std::vector<RunAlarm> alarms_;
};

}  // namespace quorvex::runreport
