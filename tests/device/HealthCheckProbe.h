#pragma once

#include "device/IUserInterface.h"
#include "device/QuorvexSupervisor.h"
#include "device/TCommandAndControl.h"
#include "device/THealthCheck.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvex::test {

using HealthLayer = THealthCheck<TCommandAndControl<QuorvexSupervisor>>;

// The health layer with the command layer above it played by a recorder: the commands the
// checks send ("stop", "reinit", "popQueue", "disconnect") and the error boxes the main window is
// asked for ("box") land in one journal, in order. disconnect asks the command-and-control thread
// as the real command layer does.
class HealthProbe : public HealthLayer, public IUserInterface {
public:
    using HealthLayer::checkFrameCounts;
    using HealthLayer::checkNAKCount;
    using HealthLayer::checkPollingState;
    using HealthLayer::checkStreaming;
    using HealthLayer::checkThreads;
    using HealthLayer::commandAndControl;
    using HealthLayer::commandAndControlThread_;
    using HealthLayer::deviceState_;
    using HealthLayer::eventCounters_;
    using HealthLayer::healthCheck;
    using HealthLayer::healthCheckThread_;
    using HealthLayer::serialReadThread_;
    using HealthLayer::serialWriteThread_;
    using HealthLayer::window_;

    ~HealthProbe() override {
        healthCheckThread_.shutdown(2000);
        commandAndControlThread_.shutdown(2000);
    }

    DeviceState* getDeviceState() override { return HealthLayer::getDeviceState(); }
    EventCounters* findEventCounters(std::uint32_t eventBit) override {
        return HealthLayer::findEventCounters(eventBit);
    }
    zeph::platform::DWORD getLastError() override { return 0; }
    void exit() override {}
    bool connect(zeph::platform::HWND, const zeph::windows::communication::SerialSettings&) override {
        return false;
    }
    void disconnect() override {
        note("disconnect");
        shutDown(0);
    }
    void requestInit() override {}
    void requestState() override {}
    void reinit() override { note("reinit"); }
    void selectChannel(const int&) override {}
    void startStreaming() override {}
    void stopStreaming() override {
        note("stop");
        if (duringStop) {
            duringStop();
        }
    }
    void pauseStreaming() override {}
    void resumeStreaming() override {}
    void inqGain() override {}
    void incGain() override {}
    void decGain() override {}
    void resetMRSensor() override {}
    void requestGPS() override {}
    void setWorkingFolder(const int&) override {}
    void setRecordModeAutomatic() override {}
    void setRecordModeManual() override {}
    void startRecording() override {}
    void stopRecording() override {}
    void popQueue() override { note("popQueue"); }
    void setAcknowledgementGate(IAcknowledgementGate*) override {}

    // Counts finished checks, so a test can step in time with the health check thread.
    zeph::platform::DWORD checkHealth() override {
        const zeph::platform::DWORD result = HealthLayer::checkHealth();
        {
            const std::lock_guard lock(mutex_);
            ++checks_;
        }
        changed_.notify_all();
        return result;
    }

    void note(const std::string& what) {
        {
            const std::lock_guard lock(mutex_);
            journal_.push_back(what);
        }
        changed_.notify_all();
    }

    std::vector<std::string> journal() const {
        const std::lock_guard lock(mutex_);
        return journal_;
    }

    std::size_t checks() const {
        const std::lock_guard lock(mutex_);
        return checks_;
    }

    // Waits until at least that many checks have finished; false when the time is up.
    bool waitForChecks(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return checks_ >= count; });
    }

    // Adds accepted streaming blocks as the event layer counts them.
    void addStreamingBlocks(int count) {
        for (int i = 0; i < count; ++i) {
            eventCounters_.find(1)->increment(EventCounters::Accepted);
        }
    }

    // Starts the command-and-control thread, which performs the disconnect a check asks for.
    void startCommandAndControl() {
        ASSERT_EQ(0u,
                  commandAndControlThread_.create("Command and Control", commandAndControl(), 0, 0, nullptr));
    }

    // Starts the health check thread as a connect does, with the given periods.
    void startHealthCheck(const HealthCheckPeriods& periods = {}) {
        healthCheckThread_.getWorker().setPeriods(periods);
        resetCounters();
        ASSERT_EQ(0u, healthCheckThread_.create("Health Check", healthCheck(), 0, 0, nullptr));
    }

    // Runs inside the check that sends a stop.
    std::function<void()> duringStop;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> journal_;
    std::size_t checks_ = 0;
};

// The console's main window on the test thread: keeps every message it gets and notes each error
// box it is asked for in the probe's journal at the moment it handles the request (a box it shows
// is dismissed at once).
class BoxWindow {
public:
    struct Received {
        zeph::platform::UINT message;
        zeph::platform::WPARAM wParam;
        zeph::platform::LPARAM lParam;
    };

    explicit BoxWindow(HealthProbe& probe) {
        window_ = zeph::platform::createMessageWindow(
            [this, &probe](zeph::platform::HWND, zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                           zeph::platform::LPARAM lParam) {
                received_.push_back({message, wParam, lParam});
                if (message == WM_QUORVEX_SHOW_ERROR_BOX) {
                    probe.note("box");
                    boxTexts.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
                    boxStyles.push_back(wParam);
                    if (onBox) {
                        onBox();
                    }
                }
                return zeph::platform::LRESULT{0};
            });
    }

    ~BoxWindow() { zeph::platform::destroyWindow(window_); }
    BoxWindow(const BoxWindow&) = delete;
    BoxWindow& operator=(const BoxWindow&) = delete;

    zeph::platform::HWND handle() const { return window_; }

    // Pumps the test thread's queue until a message of that id arrives, or the time is up.
    std::optional<Received> waitFor(zeph::platform::UINT message,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            zeph::platform::pumpMessages();
            for (; taken_ < received_.size(); ++taken_) {
                if (received_[taken_].message == message) {
                    return received_[taken_++];
                }
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::vector<std::wstring> boxTexts;
    std::vector<zeph::platform::WPARAM> boxStyles;
    // Runs while the box is up.
    std::function<void()> onBox;

private:
    zeph::platform::HWND window_ = nullptr;
    std::vector<Received> received_;
    std::size_t taken_ = 0;
};

// Attaches a recording listener to the log for the life of the object. Declare it after the
// objects whose threads log, and stop those threads first.
class LogCapture {
public:
    LogCapture() : listener_("health", journal_) {
        zeph::windows::logging::LogBeacon::instance();
        EXPECT_EQ(0u, listener_.attach());
    }

    // Entries still on their way are delivered, so none is left behind in the queue.
    ~LogCapture() { zeph::windows::logging::LogBeacon::instance().flush(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The entries logged so far (delivered on the calling thread).
    const std::vector<RecordedEntry>& entries() {
        zeph::windows::logging::LogBeacon::instance().flush();
        return journal_;
    }

    std::size_t count(const std::wstring& message) {
        const auto& all = entries();
        return static_cast<std::size_t>(std::count_if(
            all.begin(), all.end(), [&](const RecordedEntry& e) { return e.message == message; }));
    }

    bool contains(const std::wstring& message) { return count(message) > 0; }

private:
    std::vector<RecordedEntry> journal_;
    RecordingListener listener_;
};

}  // namespace quorvex::test
