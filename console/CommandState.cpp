#include "console/CommandState.h"

#include "console/CommandIds.h"
#include "device/ChannelRegistry.h"

namespace quorvex::console {

namespace {

// A working folder whose value is 10 or more cannot be chosen.
constexpr std::uint16_t LastChoosableFolderValue = 9;

void setConnectionItems(const UnitSnapshot& unit, const DialogMembers& members, CommandState& state) {
    const bool disconnected = *unit.connection == ConnectionState::Disconnected;
    const bool connected = *unit.connection == ConnectionState::Connected;
    for (int id : {ID_APP_EXIT, ID_VIEW_DEVICES, ID_CONFIGURATION_SERIAL}) {
        state.items[id] = {disconnected, false};
    }
    state.items[ID_CONNECT] = {disconnected && members.portSet, false};
    state.items[ID_FILE_MANAGER] = {false, false};
    for (int id : {ID_DISCONNECT, ID_RESET_SENSOR, ID_GAIN_INCREASE, ID_GAIN_DECREASE, ID_GAIN_SPIN}) {
        state.items[id] = {connected, false};
    }
    state.items[ID_CLEAR] = {true, false};
    state.items[ID_VIEW_CONSOLE] = {true, members.debugConsoleOpen};
    state.items[ID_VIEW_FILTER] = {members.debugConsoleOpen, members.filterDialogOpen};
}

void setTransportItems(const UnitSnapshot& unit, CommandState& state) {
    const bool connected = *unit.connection == ConnectionState::Connected;
    const StreamingState& streaming = *unit.streaming;
    const bool playing = streaming == StreamingState::Playing;
    const bool paused = streaming == StreamingState::Paused;
    state.items[ID_TRANSPORT_LIVE] = {connected && (streaming == StreamingState::Stopped || paused), false};
    state.items[ID_TRANSPORT_PAUSE] = {connected && playing, false};
    state.items[ID_TRANSPORT_STOP] = {connected && (playing || paused), false};
}

void setRecordItems(const UnitSnapshot& unit, CommandState& state) {
    const bool disconnected = *unit.connection == ConnectionState::Disconnected;
    const bool choosable = !disconnected && !unit.logging;
    for (int i = 0; i < 5; ++i) {
        state.items[ID_WORKING_FOLDER_1 + i] = {choosable && unit.folders[i] <= LastChoosableFolderValue,
                                                !disconnected && unit.folders[5] == i};
    }
    state.items[ID_RECORD_AUTOMATIC] = {choosable, !disconnected && unit.autoTrigger};
    state.items[ID_RECORD_MANUAL] = {choosable, !disconnected && !unit.autoTrigger};
}

void setButtons(const UnitSnapshot& unit, CommandState& state) {
    const bool disconnected = *unit.connection == ConnectionState::Disconnected;
    const bool connected = *unit.connection == ConnectionState::Connected;
    const bool streamingMode = *unit.mode == OperatingMode::Streaming;
    const bool playing = streamingMode && *unit.streaming == StreamingState::Playing;
    state.live = {connected, disconnected ? ButtonImage::Greyed
                             : playing    ? ButtonImage::Alternate
                                          : ButtonImage::Normal};
    state.stop = {connected && streamingMode, streamingMode ? ButtonImage::Normal : ButtonImage::Greyed};
    state.record = {!disconnected, disconnected   ? ButtonImage::Greyed
                                   : unit.logging ? ButtonImage::Alternate
                                                  : ButtonImage::Normal};
}

void setSelectorAndTexts(const UnitSnapshot& unit, CommandState& state) {
    const bool disconnected = *unit.connection == ConnectionState::Disconnected;
    const bool connected = *unit.connection == ConnectionState::Connected;
    state.selector = {connected, unit.autoSelect, unit.activeChannel};
    // While the unit waits for a trigger on its own choice, it shows that it chooses.
    if (unit.logging && unit.autoSelect && !unit.recording) {
        state.selector = {connected, true, ChannelRegistry::find(0)};
    }
    if (!disconnected && unit.logging) {
        state.statusText = unit.recording     ? "Verifying Passage"
                           : unit.autoTrigger ? "Waiting for Trigger"
                                              : "Logging Data";
    }
    state.unitTabsEnabled = connected;
}

}  // namespace

UnitSnapshot snapshotOf(const DeviceState& state) {
    UnitSnapshot unit;
    unit.connection = &state.connectionState();
    unit.mode = &state.operatingMode();
    unit.streaming = &state.streamingState();
    unit.logging = state.logging();
    unit.recording = state.recording();
    unit.autoTrigger = state.autoTrigger();
    unit.autoSelect = state.autoSelect();
    unit.folders = state.folderValues();
    unit.activeChannel = state.activeChannel();
    return unit;
}

CommandState commandStateOf(const UnitSnapshot& unit, const DialogMembers& members) {
    CommandState state;
    setConnectionItems(unit, members, state);
    setTransportItems(unit, state);
    setRecordItems(unit, state);
    setButtons(unit, state);
    setSelectorAndTexts(unit, state);
    return state;
}

}  // namespace quorvex::console
