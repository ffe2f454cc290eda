#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

void expectInitial(const DeviceState& state) {
    EXPECT_EQ(ConnectionState::Disconnected, state.connectionState());
    EXPECT_EQ(L"Disconnected", state.connectionState().name());
    EXPECT_EQ(OperatingMode::Command, state.operatingMode());
    EXPECT_EQ(StreamingState::Stopped, state.streamingState());
    EXPECT_TRUE(state.identity().deviceName.empty());
    EXPECT_TRUE(state.identity().model.empty());
    EXPECT_EQ((FirmwareRevision{0, 0}), state.firmware());
    EXPECT_FALSE(state.autoTrigger());
    EXPECT_FALSE(state.logging());
    EXPECT_EQ(0, state.recordingState());
    EXPECT_FALSE(state.recording());
    EXPECT_EQ(0.0, state.batteryLevel());
    EXPECT_EQ(WorkingFolderNames{}, state.workingFolderNames());
    EXPECT_EQ(FolderValues{}, state.folderValues());
    EXPECT_TRUE(state.autoSelect());
    EXPECT_EQ(nullptr, state.activeChannel());
    EXPECT_EQ(0, state.gain());
    EXPECT_EQ(0, state.clipping());
    EXPECT_EQ(0u, state.gps().flag);
    EXPECT_FALSE(state.adcPolling());
}

}  // namespace

TEST(DeviceState, StartsAndResetsToItsInitialValues) {
    DeviceState state;
    expectInitial(state);

    state.setConnectionState(ConnectionState::Connected);
    state.setOperatingMode(OperatingMode::Streaming);
    state.setStreamingState(StreamingState::Playing);
    state.setDeviceName("M450 SN0042");
    state.setFirmware({0x5B0, 1});
    state.setAutoTrigger(true);
    state.setLogging(true);
    state.setRecordingState(-1);
    state.setRecording(true);
    state.setBatteryLevel(12.5);
    state.setWorkingFolderNames({"A", "B", "C", "D", "E"});
    state.setFolderValues({1, 2, 3, 4, 5, 4});
    state.setAutoSelect(false);
    state.setActiveChannel(ChannelRegistry::find(3));
    state.setGain(7, 2);
    state.setGps({{1.0, 2.0, 3.0, 4.0}, 9});
    state.setAdcPolling(true);

    state.reset();
    expectInitial(state);
}

TEST(DeviceState, SplitsTheDeviceNameAtItsFirstBlank) {
    DeviceState state;
    state.setDeviceName("M410 SN 17");
    EXPECT_EQ("M410 SN 17", state.identity().deviceName);
    EXPECT_EQ("M410", state.identity().model);
    EXPECT_EQ("SN 17", state.identity().nameRemainder);

    state.setDeviceName("M450");
    EXPECT_EQ("M450", state.identity().model);
    EXPECT_EQ("", state.identity().nameRemainder);

    state.setDeviceName(" lead");
    EXPECT_EQ("", state.identity().model);
    EXPECT_EQ("lead", state.identity().nameRemainder);
}

TEST(DeviceState, KeepsTheRegisteredConstantWhenGivenACopy) {
    DeviceState state;
    {
        const StreamingState copy = StreamingState::Ending;
        state.setStreamingState(copy);
    }
    EXPECT_EQ(&StreamingState::Ending, &state.streamingState());
    EXPECT_EQ(L"Ending", state.streamingState().name());
}

// A writer thread and a reader thread, as the dispatch thread and the window thread are: the
// reader must always see a whole identity and a whole GPS record, never half of an update.
TEST(DeviceState, ReadersNeverSeeHalfAnUpdate) {
    DeviceState state;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            const bool odd = (i % 2) != 0;
            state.setDeviceName(odd ? "M410 ODD-SERIAL" : "M450 EVEN");
            state.setGps(odd ? GpsValues{{1, 1, 1, 1}, 1} : GpsValues{{2, 2, 2, 2}, 2});
            state.setStreamingState(odd ? StreamingState::Playing : StreamingState::Ending);
            state.setActiveChannel(ChannelRegistry::find(i % 10));
        }
        done = true;
    });
    int reads = 0;
    while (!done || reads == 0) {
        const DeviceIdentity identity = state.identity();
        if (!identity.deviceName.empty()) {
            EXPECT_EQ(identity.deviceName, identity.model + " " + identity.nameRemainder);
        }
        const GpsValues gps = state.gps();
        EXPECT_EQ(gps.values[0], gps.values[3]);
        EXPECT_EQ(static_cast<double>(gps.flag), gps.flag == 0 ? 0.0 : gps.values[1]);
        EXPECT_FALSE(state.streamingState().name().empty());
        ++reads;
    }
    writer.join();
}
