#include "console/CommandIds.h"
#include "console/CommandState.h"
#include "device/ChannelRegistry.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex::console;

UnitSnapshot connectedUnit(const StreamingState& streaming) {
    UnitSnapshot unit;
    unit.connection = &ConnectionState::Connected;
    unit.mode = streaming == StreamingState::Stopped ? &OperatingMode::Command : &OperatingMode::Streaming;
    unit.streaming = &streaming;
    unit.folders = {1, 2, 3, 4, 5, 2};
    return unit;
}

bool enabled(const CommandState& state, int id) {
    return state.items.at(id).enabled;
}

bool checked(const CommandState& state, int id) {
    return state.items.at(id).checked;
}

TEST(CommandStateTest, WhileDisconnectedOnlyTheWayToAUnitIsOpen) {
    const UnitSnapshot unit;
    const CommandState noPort = commandStateOf(unit, {});
    for (int id : {ID_APP_EXIT, ID_VIEW_DEVICES, ID_CONFIGURATION_SERIAL, ID_CLEAR, ID_VIEW_CONSOLE}) {
        EXPECT_TRUE(enabled(noPort, id)) << id;
    }
    EXPECT_FALSE(enabled(noPort, ID_CONNECT)) << "no port chosen yet";
    for (int id : {ID_DISCONNECT, ID_RESET_SENSOR, ID_GAIN_INCREASE, ID_GAIN_DECREASE, ID_GAIN_SPIN,
                   ID_TRANSPORT_LIVE, ID_TRANSPORT_PAUSE, ID_TRANSPORT_STOP, ID_RECORD_AUTOMATIC,
                   ID_RECORD_MANUAL, ID_FILE_MANAGER, ID_VIEW_FILTER}) {
        EXPECT_FALSE(enabled(noPort, id)) << id;
    }
    for (int id = ID_WORKING_FOLDER_1; id <= ID_WORKING_FOLDER_5; ++id) {
        EXPECT_EQ((ItemState{false, false}), noPort.items.at(id)) << "both off while disconnected";
    }
    EXPECT_EQ((ImageButtonState{false, ButtonImage::Greyed}), noPort.live);
    EXPECT_EQ((ImageButtonState{false, ButtonImage::Greyed}), noPort.stop);
    EXPECT_EQ((ImageButtonState{false, ButtonImage::Greyed}), noPort.record);
    EXPECT_FALSE(noPort.unitTabsEnabled);
    EXPECT_FALSE(noPort.selector.enabled);
    EXPECT_EQ("", noPort.statusText);

    EXPECT_TRUE(enabled(commandStateOf(unit, {.portSet = true}), ID_CONNECT));
}

TEST(CommandStateTest, WhileConnectingNothingButClearIsOpen) {
    UnitSnapshot unit;
    unit.connection = &ConnectionState::Connecting;
    const CommandState state = commandStateOf(unit, {.portSet = true});
    for (int id : {ID_APP_EXIT, ID_CONNECT, ID_DISCONNECT, ID_TRANSPORT_LIVE, ID_GAIN_SPIN}) {
        EXPECT_FALSE(enabled(state, id)) << id;
    }
    EXPECT_TRUE(enabled(state, ID_RECORD_AUTOMATIC)) << "not disconnected and not logging";
    EXPECT_FALSE(state.live.enabled);
    EXPECT_EQ(ButtonImage::Normal, state.live.image) << "greyed only while disconnected";
}

TEST(CommandStateTest, TransportFollowsTheStreamingStateRowByRow) {
    struct Row {
        const StreamingState* streaming;
        bool live, pause, stop;
        ButtonImage liveImage;
        bool stopButton;
    };
    const Row rows[] = {
        {&StreamingState::Stopped, true, false, false, ButtonImage::Normal, false},
        {&StreamingState::Beginning, false, false, false, ButtonImage::Normal, true},
        {&StreamingState::Playing, false, true, true, ButtonImage::Alternate, true},
        {&StreamingState::Ending, false, false, false, ButtonImage::Normal, true},
        {&StreamingState::Paused, true, false, true, ButtonImage::Normal, true},
    };
    for (const Row& row : rows) {
        const CommandState state = commandStateOf(connectedUnit(*row.streaming), {.portSet = true});
        const std::string name(row.streaming->name().begin(), row.streaming->name().end());
        EXPECT_EQ(row.live, enabled(state, ID_TRANSPORT_LIVE)) << name;
        EXPECT_EQ(row.pause, enabled(state, ID_TRANSPORT_PAUSE)) << name;
        EXPECT_EQ(row.stop, enabled(state, ID_TRANSPORT_STOP)) << name;
        EXPECT_EQ((ImageButtonState{true, row.liveImage}), state.live) << name;
        EXPECT_EQ(row.stopButton, state.stop.enabled) << name;
        EXPECT_EQ(row.stopButton ? ButtonImage::Normal : ButtonImage::Greyed, state.stop.image) << name;
        for (int id : {ID_DISCONNECT, ID_RESET_SENSOR, ID_GAIN_INCREASE, ID_GAIN_DECREASE, ID_GAIN_SPIN}) {
            EXPECT_TRUE(enabled(state, id)) << name << " " << id;
        }
        for (int id : {ID_APP_EXIT, ID_VIEW_DEVICES, ID_CONFIGURATION_SERIAL, ID_CONNECT, ID_FILE_MANAGER}) {
            EXPECT_FALSE(enabled(state, id)) << name << " " << id;
        }
        EXPECT_TRUE(state.unitTabsEnabled);
    }
}

TEST(CommandStateTest, AWorkingFolderValuedTenOrMoreStaysDisabledAndTheCurrentOneIsChecked) {
    UnitSnapshot unit = connectedUnit(StreamingState::Playing);
    unit.folders = {9, 10, 3, 65535, 0, 1};
    const CommandState state = commandStateOf(unit, {});
    EXPECT_EQ((ItemState{true, false}), state.items.at(ID_WORKING_FOLDER_1));
    EXPECT_EQ((ItemState{false, true}), state.items.at(ID_WORKING_FOLDER_1 + 1))
        << "checked even when disabled";
    EXPECT_EQ((ItemState{true, false}), state.items.at(ID_WORKING_FOLDER_1 + 2));
    EXPECT_EQ((ItemState{false, false}), state.items.at(ID_WORKING_FOLDER_1 + 3));
    EXPECT_EQ((ItemState{true, false}), state.items.at(ID_WORKING_FOLDER_5));
}

TEST(CommandStateTest, WhileLoggingTheRecordOptionsAreClosedAndTheStatusTextSaysWhy) {
    UnitSnapshot unit = connectedUnit(StreamingState::Playing);
    unit.autoTrigger = true;
    CommandState state = commandStateOf(unit, {});
    EXPECT_EQ((ItemState{true, true}), state.items.at(ID_RECORD_AUTOMATIC));
    EXPECT_EQ((ItemState{true, false}), state.items.at(ID_RECORD_MANUAL));
    EXPECT_EQ((ImageButtonState{true, ButtonImage::Normal}), state.record);
    EXPECT_EQ("", state.statusText);

    unit.logging = true;
    state = commandStateOf(unit, {});
    EXPECT_EQ((ItemState{false, true}), state.items.at(ID_RECORD_AUTOMATIC));
    EXPECT_EQ((ItemState{false, false}), state.items.at(ID_RECORD_MANUAL));
    for (int id = ID_WORKING_FOLDER_1; id <= ID_WORKING_FOLDER_5; ++id) {
        EXPECT_FALSE(enabled(state, id));
    }
    EXPECT_TRUE(checked(state, ID_WORKING_FOLDER_1 + 2));
    EXPECT_EQ((ImageButtonState{true, ButtonImage::Alternate}), state.record) << "the stop image";
    EXPECT_EQ("Waiting for Trigger", state.statusText);

    unit.autoTrigger = false;
    EXPECT_EQ("Logging Data", commandStateOf(unit, {}).statusText);
    EXPECT_EQ((ItemState{false, true}), commandStateOf(unit, {}).items.at(ID_RECORD_MANUAL));
    unit.recording = true;
    EXPECT_EQ("Verifying Passage", commandStateOf(unit, {}).statusText);
}

TEST(CommandStateTest, TheSelectorShowsTheUnitsChoiceOrAutoSelectWhileWaitingForATrigger) {
    UnitSnapshot unit = connectedUnit(StreamingState::Playing);
    unit.activeChannel = ChannelRegistry::find(4);
    SelectorDisplay selector = commandStateOf(unit, {}).selector;
    EXPECT_TRUE(selector.enabled);
    EXPECT_FALSE(selector.automatic);
    EXPECT_EQ(ChannelRegistry::find(4), selector.channel);

    unit.autoSelect = true;
    unit.logging = true;
    selector = commandStateOf(unit, {}).selector;
    EXPECT_TRUE(selector.automatic);
    EXPECT_EQ(ChannelRegistry::find(0), selector.channel) << "the Auto Select row";

    unit.recording = true;
    EXPECT_EQ(ChannelRegistry::find(4), commandStateOf(unit, {}).selector.channel)
        << "recording shows what it records";
}

TEST(CommandStateTest, TheDebugConsoleAndItsFilterFollowTheDialogsOwnTools) {
    const UnitSnapshot unit;
    EXPECT_EQ((ItemState{true, false}), commandStateOf(unit, {}).items.at(ID_VIEW_CONSOLE));
    EXPECT_EQ((ItemState{false, false}), commandStateOf(unit, {}).items.at(ID_VIEW_FILTER));
    const CommandState open = commandStateOf(unit, {.debugConsoleOpen = true, .filterDialogOpen = true});
    EXPECT_EQ((ItemState{true, true}), open.items.at(ID_VIEW_CONSOLE));
    EXPECT_EQ((ItemState{true, true}), open.items.at(ID_VIEW_FILTER));
}

}  // namespace
