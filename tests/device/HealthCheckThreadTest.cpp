// The health check thread: when it checks, and the disconnect that a failed check asks for.
#include "device/HealthCheckThread.h"
#include "support/platform/TextConversion.h"
#include "tests/device/HealthCheckProbe.h"
#include "tests/helpers/PseudoTerminal.h"

#include <atomic>
#include <thread>

using namespace quorvex::test;
using zeph::platform::LPARAM;
using Journal = std::vector<std::string>;

namespace {

// Longer than any test waits: a check that happens came from a NAK or a due deadline.
constexpr zeph::platform::DWORD never = 600000;

class HealthCheckThreadTest : public testing::Test {
protected:
    HealthCheckThreadTest() {
        probe_.window_ = window_.handle();
        probe_.deviceState_.setConnectionState(ConnectionState::Connected);
        probe_.startCommandAndControl();
    }

    HealthCheckThread& worker() { return probe_.healthCheckThread_.getWorker(); }

    // Waits until that many checks have finished, answering meanwhile any error box the main
    // window is asked for (the check waits for it).
    bool checked(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!probe_.waitForChecks(count, std::chrono::milliseconds(2))) {
            zeph::platform::pumpMessages();
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
        }
        return true;
    }

    void badFrame() {
        probe_.incBadFrameCount();
        probe_.incNakCount();
    }

    // The error number of the disconnect that reached the main window, if one did.
    std::optional<LPARAM> disconnected(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto message = window_.waitFor(WM_QUORVEX_ON_DISCONNECT, timeout);
        return message ? std::optional<LPARAM>(message->lParam) : std::nullopt;
    }

    void streamEnding(int alreadyStreamed) {
        probe_.addStreamingBlocks(alreadyStreamed);
        probe_.deviceState_.setOperatingMode(OperatingMode::Streaming);
        probe_.deviceState_.setStreamingState(StreamingState::Ending);
    }

    ~HealthCheckThreadTest() override {
        probe_.healthCheckThread_.shutdown(2000);
        probe_.commandAndControlThread_.shutdown(2000);
    }

    HealthProbe probe_;
    BoxWindow window_{probe_};
    LogCapture log_;
};

}  // namespace

TEST_F(HealthCheckThreadTest, TheThirdConsecutiveNakDisconnectsAtOnce) {
    probe_.startHealthCheck({never, never, never, never});
    badFrame();
    ASSERT_TRUE(checked(1)) << "a NAK checks without waiting for the period";
    badFrame();
    ASSERT_TRUE(checked(2));
    probe_.incGoodFrameCount();
    badFrame();
    ASSERT_TRUE(checked(3));
    badFrame();
    ASSERT_TRUE(checked(4));
    EXPECT_FALSE(disconnected(std::chrono::milliseconds(0))) << "a good frame restarted the NAK count";

    badFrame();
    EXPECT_EQ(std::optional<LPARAM>(30), disconnected());
    EXPECT_TRUE(log_.contains(L"Detected an error [30]."));
    EXPECT_TRUE(eventually([&] { return probe_.healthCheckThread_.getHandle() == nullptr; }))
        << "the thread ends after asking for the disconnect";
}

TEST_F(HealthCheckThreadTest, AStateChangeNeverPostponesADueCheck) {
    // Streaming: due in 300 ms. Back in command mode the period would be ten minutes, but the
    // check that was due still comes, and finds a silent link.
    probe_.deviceState_.setOperatingMode(OperatingMode::Streaming);
    probe_.deviceState_.setStreamingState(StreamingState::Playing);
    probe_.startHealthCheck({never, never, never, 300});
    ASSERT_TRUE(eventually([&] { return log_.contains(L"Timeout = 300."); }));
    probe_.deviceState_.setOperatingMode(OperatingMode::Command);
    probe_.deviceState_.setStreamingState(StreamingState::Stopped);
    worker().notifyStateChange();
    EXPECT_EQ(std::optional<LPARAM>(30), disconnected());
    EXPECT_TRUE(log_.contains(L"::WaitForMultipleObjects() became signaled via [notify_state_change]."));
    EXPECT_TRUE(log_.contains(L"Determined the application is not communicating with the QUORVEX unit."));
}

TEST_F(HealthCheckThreadTest, ARunawayStreamIsStillCheckedAndDropped) {
    // A unit that keeps streaming after STOP at 10 blocks a second: every block is a state change.
    streamEnding(40);
    probe_.startHealthCheck();
    std::atomic<bool> feeding{true};
    std::thread unit([&] {
        while (feeding.load()) {
            probe_.addStreamingBlocks(1);
            worker().notifyStateChange();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const auto error = disconnected(std::chrono::seconds(60));
    feeding.store(false);
    unit.join();

    EXPECT_EQ(std::optional<LPARAM>(0), error);
    const Journal journal = probe_.journal();
    const auto firstDisconnect = std::find(journal.begin(), journal.end(), "disconnect");
    ASSERT_NE(journal.end(), firstDisconnect);
    ASSERT_GE(firstDisconnect - journal.begin(), 1);
    EXPECT_EQ("box", *(firstDisconnect - 1));
    // Every action taken is a stage at or beyond the one before.
    const auto stage = [](const std::string& action) {
        return action == "stop" ? 0 : action == "reinit" ? 1 : 2;
    };
    EXPECT_TRUE(std::is_sorted(journal.begin(), firstDisconnect,
                               [&](const auto& a, const auto& b) { return stage(a) < stage(b); }));
    EXPECT_GE(log_.count(L"Checking streaming."), 5u) << "18 blocks at 10 a second span at least 5 checks";
}

TEST_F(HealthCheckThreadTest, AStreamGrowingByThreePerCheckEndsInTheBoxAndADisconnect) {
    streamEnding(70);
    probe_.startHealthCheck({never, never, never, never});
    for (std::size_t check = 1; check <= 7; ++check) {
        worker().notifyCheckHealth();
        ASSERT_TRUE(checked(check));
        probe_.addStreamingBlocks(3);
    }
    EXPECT_EQ(std::optional<LPARAM>(0), disconnected());
    EXPECT_EQ((Journal{"stop", "stop", "stop", "reinit", "reinit", "box", "disconnect"}), probe_.journal());
    EXPECT_EQ(std::vector<std::wstring>{L"Unable to stop streaming!  Disconnecting from the QUORVEX device."},
              window_.boxTexts);
}

TEST_F(HealthCheckThreadTest, NotificationsDuringACheckAreSkipped) {
    streamEnding(10);
    probe_.startHealthCheck({never, never, never, never});
    probe_.duringStop = [&] {
        worker().notifyCheckHealth();
        worker().notifyStateChange();
    };
    worker().notifyCheckHealth();
    ASSERT_TRUE(checked(1));
    probe_.addStreamingBlocks(3);
    worker().notifyCheckHealth();
    ASSERT_TRUE(checked(2));
    ASSERT_EQ(Journal{"stop"}, probe_.journal());

    const auto& entries = log_.entries();
    for (const char* context :
         {"HealthCheckThread::notifyCheckHealth", "HealthCheckThread::notifyStateChange"}) {
        SCOPED_TRACE(context);
        EXPECT_NE(entries.end(), std::find_if(entries.begin(), entries.end(), [&](const RecordedEntry& e) {
                      return e.message == L"Health check already in progress - skipping." &&
                             e.context == zeph::platform::widen(context) &&
                             e.verbosity->value() == zeph::windows::logging::Warning.value();
                  }));
    }
}

TEST_F(HealthCheckThreadTest, ShutdownEndsAWaitingThreadPromptly) {
    probe_.startHealthCheck();  // the real ten-second period
    ASSERT_TRUE(eventually([&] { return log_.contains(L"Waiting for ::WaitForMultipleObjects()."); }));
    EXPECT_TRUE(probe_.healthCheckThread_.shutdown(2000));
    EXPECT_EQ(nullptr, probe_.healthCheckThread_.getHandle()) << "ended by itself, not abandoned";
    EXPECT_TRUE(log_.contains(
        L"::WaitForMultipleObjects() became signaled via [_terminate], abandoning function call."));
    EXPECT_EQ(0u, probe_.checks());
}

TEST_F(HealthCheckThreadTest, ANakOfThePreviousConnectionDoesNotCheckTheNextOne) {
    probe_.startHealthCheck({never, never, never, never});
    ASSERT_TRUE(probe_.healthCheckThread_.shutdown(2000));
    probe_.incNakCount();  // the read thread's last answer, after the health check stopped
    probe_.startHealthCheck({never, never, never, never});
    EXPECT_FALSE(disconnected(std::chrono::milliseconds(500)))
        << "no frame yet is no failure before a period";
    EXPECT_EQ(0u, probe_.checks());
}
