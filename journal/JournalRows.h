#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::journal {

// Times in the journal are microseconds since 1970-01-01 00:00 UTC.
using Microseconds = std::int64_t;

enum class EventKind { Passage, Ignored, Trigger };

// The kind as the journal and its exports spell it: "passage", "ignored", "trigger".
std::string_view kindName(EventKind kind);
std::optional<EventKind> kindNamed(std::string_view name);

// A connection as it began: the port was opened.
struct SessionStart {
    Microseconds connected = 0;
    std::string port;
};

// The unit of a session, once it has answered.
struct SessionUnit {
    std::string model;
    std::string serialNumber;
    std::string firmware;
};

// How a session ended: "operator", "link lost", "unit refused" or "connect failed", with the
// reason a person reads (the error and its text, the refused firmware).
struct SessionEnding {
    Microseconds disconnected = 0;
    std::string reason;
    std::string text;
};

// One pig passage, ignored event or recording trigger. A trigger carries no time or position of
// the unit's: its time is when it arrived.
struct EventRow {
    EventKind kind = EventKind::Passage;
    std::optional<Microseconds> unitTime;
    Microseconds received = 0;
    std::optional<std::int64_t> channel;
    std::string channelName;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<double> elevation;
    std::optional<std::int64_t> gpsQuality;
    std::optional<double> hdop;
    std::string folder;
    std::string note;
};

// A row as read back, with the session it belongs to.
struct JournalEntry {
    std::string journal;  // the journal's UUID: with the id it names the row everywhere
    std::int64_t id = 0;
    std::int64_t session = 0;
    EventRow event;
    std::string port;
    std::string model;
    std::string serialNumber;
};

}  // namespace quorvex::journal
