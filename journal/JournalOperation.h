#pragma once

#include "journal/JournalRows.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace quorvex::journal {

// A session as the caller knows it before the journal has given it a row.
using SessionToken = std::uint64_t;

struct BeginSession {
    SessionToken token = 0;
    SessionStart start;
};
struct DescribeUnit {
    SessionToken token = 0;
    SessionUnit unit;
};
struct EndSession {
    SessionToken token = 0;
    SessionEnding ending;
};
struct AddEvent {
    SessionToken token = 0;
    EventRow row;
};
struct EditNote {
    std::int64_t eventId = 0;
    std::string note;
};

// One change the writer applies, in the order it was asked for.
using JournalOperation = std::variant<BeginSession, DescribeUnit, EndSession, AddEvent, EditNote>;

// The rows an operation adds: a session's or an event's; the others change rows.
inline std::size_t rowsAddedBy(const JournalOperation& operation) {
    return std::holds_alternative<BeginSession>(operation) || std::holds_alternative<AddEvent>(operation) ? 1
                                                                                                          : 0;
}

}  // namespace quorvex::journal
