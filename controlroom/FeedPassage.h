#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::link {

// Another unit's passage as its laptop published it on <prefix>/<serial>/passage: (journal, id)
// names it everywhere.
struct FeedPassage {
    std::string journal;  // the journal's UUID, or "unit:<serial>" from a laptop that has none yet
    std::int64_t id = 0;
    std::string unit;                // the unit's serial number
    std::int64_t timeMicros = 0;     // the unit's time, µs since the epoch, UTC
    std::optional<double> latitude;  // none without a fix
    std::optional<double> longitude;
    std::string channelName;  // the marker, for a passage without a position
};

// The largest message a unit sends; anything bigger is refused unread.
inline constexpr std::size_t MaxFeedMessageBytes = 64 * 1024;

// Reads a passage message of the unit of the topic level; returns why it is refused, or "".
std::string parseFeedPassage(std::string_view serialLevel, std::string_view payload, FeedPassage& passage);

}  // namespace quorvex::link
