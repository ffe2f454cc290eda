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

}  // namespace

LinkPane linkPaneOf(const LinkStatus& status) {
    LinkPane pane;
    pane.text = "Control room: " + stateText(status);
    if (status.state != LinkState::Off && status.state != LinkState::Online && status.waiting > 0) {
        pane.text += ", " + std::to_string(status.waiting) + " waiting";
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
