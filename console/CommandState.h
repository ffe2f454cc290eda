#pragma once

#include "device/DeviceState.h"
#include "device/DeviceValueSets.h"

#include <map>
#include <string>

namespace quorvex::console {

// What the command state reads of the unit, copied once so the rules see one moment.
struct UnitSnapshot {
    const ConnectionState* connection = &ConnectionState::Disconnected;
    const OperatingMode* mode = &OperatingMode::Command;
    const StreamingState* streaming = &StreamingState::Stopped;
    bool logging = false;
    bool recording = false;
    bool autoTrigger = false;
    bool autoSelect = false;
    FolderValues folders{};
    const ChannelRecord* activeChannel = nullptr;
};

UnitSnapshot snapshotOf(const DeviceState& state);

// The main window's own members that the rules read.
struct DialogMembers {
    bool portSet = false;  // a port to connect to has been chosen
    bool debugConsoleOpen = false;
    bool filterDialogOpen = false;
};

struct ItemState {
    bool enabled = false;
    bool checked = false;
    bool operator==(const ItemState&) const = default;
};

enum class ButtonImage { Greyed, Normal, Alternate };

struct ImageButtonState {
    bool enabled = false;
    ButtonImage image = ButtonImage::Greyed;
    bool operator==(const ImageButtonState&) const = default;
};

// What the channel selector shows: the mode and the transmitter (the "Auto Select" row for
// the automatic choice).
struct SelectorDisplay {
    bool enabled = false;
    bool automatic = true;
    const ChannelRecord* channel = nullptr;
    bool operator==(const SelectorDisplay&) const = default;
};

// Every command's and control's enabled, checked and shown state at one moment.
struct CommandState {
    std::map<int, ItemState> items;  // by command id (menu items, tool bar, spin, Clear)
    ImageButtonState live;
    ImageButtonState stop;
    ImageButtonState record;
    SelectorDisplay selector;
    std::string statusText;        // the red text under the buttons
    bool unitTabsEnabled = false;  // "Axis History" and "Device Info"
    bool operator==(const CommandState&) const = default;
};

CommandState commandStateOf(const UnitSnapshot& unit, const DialogMembers& members);

}  // namespace quorvex::console
