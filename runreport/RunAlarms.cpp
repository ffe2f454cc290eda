#include "runreport/RunAlarms.h"

#include "tracking/RunEvaluation.h"

namespace quorvex::runreport {

RunAlarm* RunAlarms::active(std::size_t pig, std::size_t marker) {
    for (RunAlarm& alarm : alarms_) {
        if (alarm.pig == pig && alarm.marker == marker && !alarm.cleared) {
            return &alarm;
        }
    }
    return nullptr;
}

RunAlarms::Changes RunAlarms::update(const tracking::Route& route, const tracking::RunPlan& plan,
                                     const tracking::RunState& state, tracking::UtcTime now) {
    Changes changes;
    for (std::size_t i = 0; i < alarms_.size(); ++i) {
        RunAlarm& alarm = alarms_[i];
        if (!alarm.cleared && state.pigs.at(alarm.pig).overdueMarker != alarm.marker) {
            alarm.cleared = now;
            changes.cleared.push_back(i);
        }
    }
    for (std::size_t pig = 0; pig < state.pigs.size(); ++pig) {
        const tracking::PigProgress& progress = state.pigs[pig];
        if (progress.overdueMarker && active(pig, *progress.overdueMarker) == nullptr) {
            const std::string text = plan.pigs[pig].name + " is overdue at " +
                                     route.markers()[*progress.overdueMarker].name + ", " +
                                     tracking::stuckBracket(route, progress);
            alarms_.push_back({pig, *progress.overdueMarker, text, now, std::nullopt, std::nullopt});
            changes.raised.push_back(alarms_.size() - 1);
        }
    }
    return changes;
}

bool RunAlarms::acknowledge(tracking::UtcTime now) {
    bool any = false;
    for (RunAlarm& alarm : alarms_) {
        if (!alarm.acknowledged && !alarm.cleared) {
            alarm.acknowledged = now;
            any = true;
        }
    }
    return any;
}

const RunAlarm* RunAlarms::unacknowledged() const {
    for (auto alarm = alarms_.rbegin(); alarm != alarms_.rend(); ++alarm) {
        if (!alarm->acknowledged && !alarm->cleared) {
            return &*alarm;
        }
    }
    return nullptr;
}

}  // namespace quorvex::runreport
