#pragma once

#include "console/RunAlarms.h"
#include "journal/RunJournal.h"
#include "tracking/Passage.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorvex::console {

class RunTab;

// Keeps the Run tab's run in the journal as it goes (its start, each passage, its alarms and
// their acknowledgement, its end) and gives it back to the tab at the next start. Each call
// answers "" or why the run could not be kept; the run on the tab goes on regardless.
class RunKeeper {
public:
    // Opens the journal's runs and takes up a run a previous start left open; "" or why not.
    std::string open(const std::string& journalPath, RunTab& tab);

    std::string started(const RunTab& tab);
    std::string passage(const tracking::Passage& passage);
    std::string alarms(std::span<const RunAlarm> alarms);
    std::string ended(tracking::UtcTime at);

private:
    std::string restore(RunTab& tab);
    std::string failed() const;

    journal::RunJournal runs_;
    std::optional<std::int64_t> run_;  // the journal's id of the run on the tab
};

}  // namespace quorvex::console
