#pragma once

#include "journal/JournalRows.h"

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

}  // namespace quorvex::journal
