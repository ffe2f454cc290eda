#include "controlroom/LinkPane.h"

namespace quorvex::link {

namespace {

std::string stateText(const LinkStatus& status) {
    switch (status.state) {
        case LinkState::Off:
            return "off";
        case LinkState::Connecting:
            return "connecting";
        case LinkState::Online:
            return "online";
        case LinkState::Offline:
            break;
    }
    return "offline";
}

// How long, as the operator reads it at a glance.
std::string ageText(std::int64_t microseconds) {
    const std::int64_t minutes = microseconds / 60'000'000;
    if (minutes < 1) {
        return "under a minute";
    }
    if (minutes < 120) {
        return std::to_string(minutes) + " min";
    }
    return std::to_string(minutes / 60) + " h";
}

}  // namespace

LinkPane linkPaneOf(const LinkStatus& status, std::int64_t nowMicroseconds) {
    LinkPane pane;
    pane.text = "Control room: " + stateText(status);
    if (status.state != LinkState::Off && status.state != LinkState::Online && status.waiting > 0) {
        pane.text += ", " + std::to_string(status.waiting) + " waiting";
        if (status.waitingSince) {
            pane.text += " for " + ageText(nowMicroseconds - *status.waitingSince);
        }
    }
    if (status.state == LinkState::Off) {
        pane.tip = "No broker configured (File > Control Room...)";
        return pane;
    }
    pane.tip = "Broker: " + status.broker;
    if (!status.lastError.empty()) {
        pane.tip += "\nLast error: " + status.lastError;
    }
    return pane;
}

}  // namespace quorvex::link
