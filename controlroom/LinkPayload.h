#pragma once

#include "journal/JournalRows.h"
#include "controlroom/UnitStatus.h"

#include <string>
#include <string_view>

namespace quorvex::link {

// <prefix>/<serial>/<leaf>; a serial that would break the topic (empty, '/', '+', '#') is made safe.
std::string topicOf(const std::string& prefix, const std::string& serialNumber, std::string_view leaf);

// A journal row as the control room reads it: one JSON object, the row's id first.
std::string eventPayload(const journal::JournalEntry& entry);

// The unit's status, stamped with the time it was sent.
std::string statusPayload(const UnitStatus& status, journal::Microseconds now);

// What the broker publishes as the status when the laptop vanishes.
inline constexpr std::string_view OfflinePayload = "offline";

}  // namespace quorvex::link
