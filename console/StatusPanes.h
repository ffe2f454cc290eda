#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace quorvex::console {

// What a status bar pane shows: a picture by name (console/resources) and its tool-tip ("" for
// none). The pane shows exactly this: a tip kept from an earlier state would describe a unit or a
// connection that is gone.
struct PaneImage {
    std::string icon;
    std::string tip;
    bool operator==(const PaneImage&) const = default;
};

PaneImage connectionPaneOf(bool connected, bool bluetoothDevice, bool radioPresent);

// The battery below 5.25 blinks its low picture every 500 ms.
struct BatteryPaneState {
    PaneImage image;
    bool low = false;
};

BatteryPaneState batteryPaneOf(bool connected, double level);
PaneImage gpsPaneOf(bool connected, std::uint8_t quality);

// What a pane's picture says, in words, for screen readers ("" for no picture).
std::string paneStateText(const std::string& icon);

// The clock pane's text: the local time in the user's locale ("%X").
std::string clockText(std::time_t now);

}  // namespace quorvex::console
