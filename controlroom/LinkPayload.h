#pragma once

#include "controlroom/UnitStatus.h"
#include "journal/JournalRows.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex::link {

// A topic level of printable UTF-8 whatever the unit reports: every byte of a control
// character, a wildcard, '/', '%' or bad UTF-8 becomes %XX, so plain serials stay as they are and
// two serials never share a level; "unknown" for none.
std::string topicLevel(std::string_view text);

// <prefix>/<serial as a topic level>/<leaf>.
std::string topicOf(const std::string& prefix, const std::string& serialNumber, std::string_view leaf);

// What every message says of its sending: the publisher's running count (from 1 at each start),
// when it left, and for a row whether it waited for the link (an outage, a restart) before.
struct MessageStamp {
    std::uint64_t sequence = 0;
    journal::Microseconds sent = 0;
    bool historical = false;
    bool update = false;  // a row sent again, its note edited after its delivery
};

// A journal row as the control room reads it: one JSON object, the row's id first, the journal's
// UUID (null when unknown) beside it, so that (journal, id) names the row everywhere.
std::string eventPayload(const journal::JournalEntry& entry, const MessageStamp& stamp,
                         const std::string& journalId);

// The unit's status; "updated" is when it was sent.
std::string statusPayload(const UnitStatus& status, const MessageStamp& stamp);

// What the broker publishes as the status when the laptop vanishes.
inline constexpr std::string_view OfflinePayload = "offline";

}  // namespace quorvex::link
