// The checks of the link health layer, driven directly on the test thread.
#include "device/HealthCheckThread.h"
#include "support/platform/TextConversion.h"
#include "tests/device/HealthCheckProbe.h"

using namespace quorvex::test;
using zeph::platform::DWORD;
using zeph::platform::ERROR_READ_FAULT;
using Journal = std::vector<std::string>;

namespace {

class HealthCheckTest : public testing::Test {
protected:
    HealthCheckTest() {
        // Each call below stands for a check one period after the last.
        probe_.healthCheckThread_.getWorker().setPeriods({0, 0, 0, 0});
        probe_.resetCounters();
        probe_.window_ = window_.handle();
    }

    // A frame the link layer acknowledged / answered with a NAK, counted as it counts them.
    void goodFrame() { probe_.incGoodFrameCount(); }
    void badFrame() {
        probe_.incBadFrameCount();
        probe_.incNakCount();
    }

    // A stream that was asked to stop and has not yet.
    void streamEnding() {
        probe_.deviceState_.setOperatingMode(OperatingMode::Streaming);
        probe_.deviceState_.setStreamingState(StreamingState::Ending);
        probe_.deviceState_.setConnectionState(ConnectionState::Connected);
    }

    HealthProbe probe_;
    BoxWindow window_{probe_};
    LogCapture log_;
};

const std::string layerContext = "THealthCheck<class TCommandAndControl<class QuorvexSupervisor> >::";

}  // namespace

TEST_F(HealthCheckTest, AGoodFrameBetweenNaksKeepsTheLinkAlive) {
    badFrame();
    badFrame();
    goodFrame();
    badFrame();
    EXPECT_EQ(0u, probe_.checkHealth());
    EXPECT_TRUE(log_.contains(L"Checking NAK count [1]."));

    badFrame();
    EXPECT_EQ(0u, probe_.checkNAKCount());
    badFrame();
    EXPECT_EQ(ERROR_READ_FAULT, probe_.checkHealth());
    EXPECT_TRUE(log_.contains(L"Determined there is a communications error with 3 consecutive NAKs."));
}

TEST_F(HealthCheckTest, APeriodWithoutAnyFrameFailsEvenTheFirst) {
    EXPECT_EQ(ERROR_READ_FAULT, probe_.checkHealth()) << "the last total starts at 0";
    EXPECT_TRUE(log_.contains(L"Checking frame count [0] [0]."));
    EXPECT_TRUE(log_.contains(L"Determined the application is not communicating with the QUORVEX unit."));

    probe_.incBadFrameCount();  // a bad frame is still a sign of life
    EXPECT_EQ(0u, probe_.checkHealth());
    goodFrame();
    goodFrame();
    EXPECT_EQ(0u, probe_.checkHealth());
    EXPECT_TRUE(log_.contains(L"Checking frame count [1] [3]."));
    EXPECT_EQ(ERROR_READ_FAULT, probe_.checkHealth());

    probe_.resetCounters();
    EXPECT_EQ(ERROR_READ_FAULT, probe_.checkHealth());
}

TEST_F(HealthCheckTest, ACheckANakAsksForMomentsAfterTheLastDoesNotJudgeSilence) {
    probe_.healthCheckThread_.getWorker().setPeriods({100000, 100000, 100000, 100000});
    goodFrame();
    EXPECT_EQ(0u, probe_.checkHealth());
    // Two bad frames in one burst: each NAK asks for a check at once, and the second check finds
    // no frame since the first.
    badFrame();
    badFrame();
    EXPECT_EQ(0u, probe_.checkHealth());
    EXPECT_EQ(0u, probe_.checkHealth()) << "a live link was taken for a silent one";
    badFrame();
    EXPECT_EQ(ERROR_READ_FAULT, probe_.checkHealth()) << "the NAKs themselves are still judged at once";
    EXPECT_TRUE(log_.contains(L"Determined there is a communications error with 3 consecutive NAKs."));
}

TEST_F(HealthCheckTest, ASerialThreadThatEndedWithAnErrorEndsTheLink) {
    goodFrame();
    probe_.serialWriteThread_.setExitCode(14);
    EXPECT_EQ(14u, probe_.checkHealth());
    EXPECT_TRUE(log_.contains(L"Determined the [_write_thread] shutdown unexpectedly."));

    probe_.serialReadThread_.setExitCode(31);
    EXPECT_EQ(31u, probe_.checkHealth()) << "the read thread is checked first";
    EXPECT_TRUE(log_.contains(L"Determined the [_read_thread] shutdown unexpectedly."));
}

TEST_F(HealthCheckTest, ABatteryReadingSuspendsEightChecksAndTheNinthReleasesTheQueue) {
    probe_.deviceState_.setAdcPolling(true);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        badFrame();  // NAKs and silence are not judged while the reading is outstanding
        EXPECT_EQ(0u, probe_.checkHealth());
        EXPECT_TRUE(probe_.deviceState_.adcPolling());
    }
    EXPECT_EQ(8u, log_.count(L"Suspending HealthCheck for battery check."));
    EXPECT_TRUE(probe_.journal().empty());

    EXPECT_EQ(0u, probe_.checkHealth());
    EXPECT_FALSE(probe_.deviceState_.adcPolling());
    EXPECT_EQ(Journal{"popQueue"}, probe_.journal());
    EXPECT_TRUE(log_.contains(L"Battery check exceeded maximum duration, resuming normal operation."));

    EXPECT_EQ(ERROR_READ_FAULT, probe_.checkHealth()) << "the tenth check judges the link again";
    EXPECT_EQ(8u, log_.count(L"Suspending HealthCheck for battery check."));
}

TEST_F(HealthCheckTest, ANewBatteryReadingRestartsTheCountdown) {
    probe_.deviceState_.setAdcPolling(true);
    for (int i = 0; i < 5; ++i) {
        probe_.checkHealth();
    }
    probe_.resetCountdown();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(0u, probe_.checkHealth());
    }
    EXPECT_TRUE(probe_.deviceState_.adcPolling());
    EXPECT_TRUE(probe_.journal().empty());
    probe_.checkHealth();
    EXPECT_EQ(Journal{"popQueue"}, probe_.journal());
}

TEST_F(HealthCheckTest, AStreamGrowingByThreeIsStoppedThenReinitialisedThenDropped) {
    probe_.addStreamingBlocks(40);  // what streamed before the stop was asked for
    streamEnding();
    for (int check = 0; check <= 6; ++check) {
        SCOPED_TRACE(check);
        EXPECT_EQ(0u, probe_.checkHealth()) << "the staged actions never fail the check itself";
        probe_.addStreamingBlocks(3);
    }
    EXPECT_EQ((Journal{"stop", "stop", "stop", "reinit", "reinit", "box", "disconnect"}), probe_.journal());
    ASSERT_EQ(1u, window_.boxTexts.size());
    EXPECT_EQ(L"Unable to stop streaming!  Disconnecting from the QUORVEX device.", window_.boxTexts[0]);
    EXPECT_EQ(0x10u, window_.boxStyles[0]) << "OK button, error icon";
    EXPECT_EQ(3u, log_.count(L"Sending stop message."));
    EXPECT_EQ(2u, log_.count(L"Sending initialize message to reinitialize QUORVEX unit."));
    EXPECT_TRUE(log_.contains(L"Unable to stop streaming data, disconnecting from QUORVEX unit."));
}

TEST_F(HealthCheckTest, WithoutAWindowTheBoxIsSkippedAndTheDisconnectStillAsked) {
    probe_.window_ = nullptr;
    probe_.addStreamingBlocks(10);
    streamEnding();
    probe_.checkHealth();
    probe_.addStreamingBlocks(18);
    probe_.checkHealth();
    EXPECT_EQ(Journal{"disconnect"}, probe_.journal());
    EXPECT_TRUE(window_.boxTexts.empty());
}

TEST_F(HealthCheckTest, ADisconnectWhileTheBoxIsUpIsNotAskedForAgain) {
    probe_.addStreamingBlocks(10);
    streamEnding();
    probe_.checkHealth();
    probe_.addStreamingBlocks(18);
    // The operator disconnected (the connection was reset) before dismissing the box.
    window_.onBox = [&] { probe_.deviceState_.reset(); };
    probe_.checkHealth();
    EXPECT_EQ(Journal{"box"}, probe_.journal());
}

TEST_F(HealthCheckTest, OnlyTheExactStepsOfTheTableAct) {
    probe_.addStreamingBlocks(50);
    streamEnding();
    probe_.checkHealth();
    probe_.addStreamingBlocks(2);
    probe_.checkHealth();
    EXPECT_TRUE(log_.contains(L"Detected excessive streaming frames [50] [52]."));
    probe_.addStreamingBlocks(2);
    probe_.checkHealth();
    EXPECT_TRUE(probe_.journal().empty()) << "a jump from 2 to 4 gets no action at 4";

    // 5, 7, 8, 10, 11, 13, 14, 16, 17, 19, 20: none is a step.
    for (const int to : {5, 7, 8, 10, 11, 13, 14, 16, 17, 19, 20}) {
        probe_.eventCounters_.find(1)->increment(EventCounters::Ignored);  // ignored blocks count too
        while (probe_.eventCounters_.find(1)->total() < 50u + static_cast<unsigned>(to)) {
            probe_.addStreamingBlocks(1);
        }
        probe_.checkHealth();
    }
    EXPECT_TRUE(probe_.journal().empty());
    probe_.addStreamingBlocks(1);  // 21
    probe_.checkHealth();
    EXPECT_EQ((Journal{"box", "disconnect"}), probe_.journal());
}

TEST_F(HealthCheckTest, AStreamThatStopsClearsTheBaselineForTheNextStop) {
    probe_.addStreamingBlocks(30);
    streamEnding();
    probe_.checkHealth();
    probe_.addStreamingBlocks(3);
    probe_.checkHealth();
    EXPECT_EQ(Journal{"stop"}, probe_.journal());

    // The stream stopped; a while later another stop is asked for.
    probe_.deviceState_.setOperatingMode(OperatingMode::Command);
    probe_.deviceState_.setStreamingState(StreamingState::Stopped);
    goodFrame();
    EXPECT_EQ(0u, probe_.checkHealth());
    probe_.addStreamingBlocks(100);
    streamEnding();
    probe_.checkHealth();
    probe_.addStreamingBlocks(2);
    probe_.checkHealth();
    EXPECT_TRUE(log_.contains(L"Detected excessive streaming frames [133] [135]."));
    EXPECT_EQ(Journal{"stop"}, probe_.journal()) << "counted from the new stop, not the old one";
}

TEST_F(HealthCheckTest, ChecksLogUnderTheLayersWindowsName) {
    probe_.checkHealth();
    const auto& entries = log_.entries();
    const auto found = std::find_if(entries.begin(), entries.end(), [](const RecordedEntry& e) {
        return e.message == L"Checking NAK count [0].";
    });
    ASSERT_NE(entries.end(), found);
    EXPECT_EQ(zeph::platform::widen(layerContext + "checkNAKCount"), found->context);
    EXPECT_EQ(zeph::windows::logging::DebugLevel2.value(), found->verbosity->value());
}

TEST(HealthCheckPeriods, FollowTheUnitsMode) {
    DeviceState state;
    const HealthCheckPeriods real;
    state.setOperatingMode(OperatingMode::Command);
    EXPECT_EQ(10240u, HealthCheckThread::periodFor(state, real));
    state.setAdcPolling(true);
    EXPECT_EQ(384u, HealthCheckThread::periodFor(state, real));
    state.setOperatingMode(OperatingMode::Streaming);
    state.setStreamingState(StreamingState::Beginning);
    EXPECT_EQ(1024u, HealthCheckThread::periodFor(state, real)) << "polling does not matter while streaming";
    for (const StreamingState* other : {&StreamingState::Playing, &StreamingState::Ending,
                                        &StreamingState::Paused, &StreamingState::Stopped}) {
        state.setStreamingState(*other);
        EXPECT_EQ(384u, HealthCheckThread::periodFor(state, real));
    }
}
