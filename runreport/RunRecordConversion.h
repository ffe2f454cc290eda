#pragma once

#include "journal/RunRecord.h"
#include "runreport/RunAlarms.h"
#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvex::runreport {

// The run as the journal keeps it, and back: the engine's types on one side, the journal's plain
// values on the other.

journal::RunRecord runRecord(const std::filesystem::path& routePath, const tracking::Route& route,
                             const tracking::RunPlan& plan, tracking::UtcTime started);
journal::RunPassageRecord passageRecord(const tracking::Passage& passage);
std::vector<journal::RunAlarmRecord> alarmRecords(std::span<const RunAlarm> alarms);

// A kept run made whole again: its route rebuilt from the line and markers kept with it.
struct RestoredRun {
    std::optional<tracking::Route> route;
    std::filesystem::path routePath;
    tracking::RunPlan plan;
    std::vector<tracking::Passage> passages;
    std::vector<RunAlarm> alarms;
};

// "" with the run restored, else why it cannot be (a route that no longer builds).
std::string restoreRun(const journal::RunRecord& record, RestoredRun& run);

}  // namespace quorvex::runreport
