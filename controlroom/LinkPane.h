#pragma once

#include "controlroom/LinkStatus.h"

#include <cstdint>
#include <string>

namespace quorvex::link {

// What the status bar's control-room pane shows: "Control room: off", "... connecting",
// "... online", "... offline, 5 waiting for 12 min" (since the oldest arrived), with the broker
// and the last error as its tool tip.
struct LinkPane {
    std::string text;
    std::string tip;
    bool operator==(const LinkPane&) const = default;
};

LinkPane linkPaneOf(const LinkStatus& status, std::int64_t nowMicroseconds);

}  // namespace quorvex::link
