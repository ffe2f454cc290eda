#pragma once

#include "controlroom/UnitStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quorvex::tracker {

// A journal row as a unit's laptop published it: (journal, id) names it everywhere.
struct UnitEvent {
    std::string journal;
    std::int64_t id = 0;
    std::string kind;  // "passage", "ignored", "trigger"
    std::string serial;
    std::optional<std::int64_t> time;  // µs since the epoch, UTC; none for a trigger
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::string marker;  // the channel's name, for a passage without a position
    bool historical = false;
};

// A unit's retained status, or its last will ("offline").
struct UnitReport {
    std::string serial;
    bool online = false;
    link::UnitStatus status;
};

using UnitMessage = std::variant<UnitEvent, UnitReport>;

// The largest message a unit sends; anything bigger is refused unread.
inline constexpr std::size_t MaxUnitMessageBytes = 64 * 1024;

// Reads a message on <prefix>/<serial>/<leaf>; returns why it is refused, or "".
std::string parseUnitMessage(std::string_view serialLevel, std::string_view leaf, std::string_view payload,
                             UnitMessage& message);

}  // namespace quorvex::tracker
