#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::tracker {

// One alarm of a run at one marker (or about one unit), as alarm practice keeps it: raised,
// acknowledged by a named person, cleared when its cause is gone; closed (history only) once both.
// At most one open alarm per marker, or per unit, of a run.
struct TrackerAlarm {
    std::int64_t key = 0;
    std::string run;
    std::int64_t marker = 0;  // index into the route's markers; -1 for a unit's alarm
    std::string kind;         // "overdue", "speed", "offline"
    std::int64_t raised = 0;  // µs since the epoch
    std::string acknowledgedBy;
    std::optional<std::int64_t> acknowledgedAt;
    std::optional<std::int64_t> cleared;
    std::string unit;  // the serial of an "offline" alarm, else ""

    bool acknowledged() const { return acknowledgedAt.has_value(); }
    bool open() const { return !(cleared && acknowledgedAt); }
    // "unacknowledged", "acknowledged", "cleared" (not yet acknowledged) or "closed".
    std::string state() const {
        if (cleared) {
            return acknowledgedAt ? "closed" : "cleared";
        }
        return acknowledgedAt ? "acknowledged" : "unacknowledged";
    }
};

}  // namespace quorvex::tracker
