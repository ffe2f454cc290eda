#include "console/RunKeeper.h"

#include "console/RunRecordConversion.h"
#include "console/RunTab.h"

#include <utility>

namespace quorvex::console {

std::string RunKeeper::open(const std::string& journalPath, RunTab& tab) {
    if (std::string error = runs_.open(journalPath); !error.empty()) {
        return "runs are not kept in the journal: " + error;
    }
    return restore(tab);
}

std::string RunKeeper::restore(RunTab& tab) {
    const auto open = runs_.openRun();
    if (!open) {
        return runs_.message().empty() ? std::string() : failed();
    }
    const auto record = runs_.read(*open);
    if (!record) {
        return failed();
    }
    RestoredRun restored;
    std::string error = restoreRun(*record, restored);
    // Set first: the alarms the tab raises as it takes the run up are kept with it.
    run_ = open;
    if (error.empty()) {
        error = tab.restoreRun(std::move(*restored.route), restored.routePath, restored.plan,
                               std::move(restored.passages), std::move(restored.alarms));
    }
    if (!error.empty()) {
        // Not taken up again at every start: the run stays in the journal, ended.
        run_.reset();
        runs_.end(*open, record->started);
        return "the run kept in the journal cannot be taken up again: " + error;
    }
    return {};
}

std::string RunKeeper::started(const RunTab& tab) {
    run_ = runs_.isOpen() && tab.run() != nullptr
               ? runs_.begin(runRecord(tab.routePath(), *tab.route(), tab.run()->plan(), tab.now()))
               : std::nullopt;
    return run_ || !runs_.isOpen() ? std::string() : failed();
}

std::string RunKeeper::passage(const tracking::Passage& passage) {
    return !run_ || runs_.addPassage(*run_, passageRecord(passage)) ? std::string() : failed();
}

std::string RunKeeper::alarms(std::span<const RunAlarm> alarms) {
    return !run_ || runs_.saveAlarms(*run_, alarmRecords(alarms)) ? std::string() : failed();
}

std::string RunKeeper::ended(tracking::UtcTime at) {
    const auto run = std::exchange(run_, std::nullopt);
    return !run || runs_.end(*run, at.time_since_epoch().count()) ? std::string() : failed();
}

std::string RunKeeper::failed() const {
    return "the run could not be kept in the journal: " + runs_.message();
}

}  // namespace quorvex::console
