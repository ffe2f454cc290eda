#pragma once

#include <string>

struct PassageRecord;
struct RecordTriggeredRecord;

namespace quorvex::console {

// The log line of a passage, as the operator reads it (the time in UTC), without its line end.
std::string passageText(const PassageRecord& passage);
// The log line of a recording trigger, by the kind of the channel being recorded.
std::string recordingTriggerText(const RecordTriggeredRecord& trigger);
// The log line of an event the unit ignored.
inline constexpr const char* IgnoredEventText = "Event ignored.";

}  // namespace quorvex::console
