#pragma once

#include "controlroom/LinkStatus.h"

#include <string>

namespace quorvex::link {

// What the status bar's control-room pane shows: "Control room: off", "... connecting",
// "... online", "... offline, 5 waiting", with the broker and the last error as its tool tip.
struct LinkPane {
    std::string text;
    std::string tip;
    bool operator==(const LinkPane&) const = default;
};

LinkPane linkPaneOf(const LinkStatus& status);

}  // namespace quorvex::link
