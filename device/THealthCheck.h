#pragma once

#include "device/CommandAndControlThread.h"
#include "device/DeviceState.h"
#include "device/EventCounters.h"
#include "device/IHealthCheck.h"
#include "device/IUserInterface.h"
#include "device/QuorvexMessages.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/TypeName.h"
#include "support/threading/ThreadState.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

// Style flags of the box that WM_QUORVEX_SHOW_ERROR_BOX asks for (wParam): an OK button and the
// error icon, as MessageBox spells them.
inline constexpr zeph::platform::WPARAM QUORVEX_ERROR_BOX_STYLE = 0x00000010;  // MB_OK | MB_ICONERROR

// The link health layer: counts good frames, bad frames and NAKs and checks the link. The frame
// layer feeds the counters on the serial read thread while the health check thread reads them, so
// every counter is an atomic.
template <typename Base>
class THealthCheck : public Base, public IHealthCheck {
public:
    // Checks a battery reading may keep suspended before the wait for it is given up.
    static constexpr std::int32_t BatteryCountdown = 8;
    // The text of the box shown when a stream cannot be stopped.
    static constexpr const wchar_t* UnableToStopStreamingText =
        L"Unable to stop streaming!  Disconnecting from the QUORVEX device.";

    void resetCounters() override {
        static const std::string context = contextOf("resetCounters");
        enter(context);
        goodFrames_.store(0);
        badFrames_.store(0);
        lastFrameTotal_.store(0);
        lastFrameJudgement_.store(NeverJudged);
        consecutiveNaks_.store(0);
        batteryCountdown_.store(BatteryCountdown);
        streamingBaseline_.store(0);
        checking_.store(false);
    }

    DeviceState* getDeviceState() override { return &this->deviceState_; }

    EventCounters* findEventCounters(std::uint32_t eventBit) override {
        return this->eventCounters_.find(eventBit);
    }

    bool isChecking() override { return checking_.load(); }

    void incGoodFrameCount() override {
        static const std::string context = contextOf("incGoodFrameCount");
        enter(context);
        goodFrames_.fetch_add(1);
        consecutiveNaks_.store(0);
    }

    void incBadFrameCount() override {
        static const std::string context = contextOf("incBadFrameCount");
        enter(context);
        badFrames_.fetch_add(1);
    }

    void incNakCount() override {
        static const std::string context = contextOf("incNakCount");
        enter(context);
        consecutiveNaks_.fetch_add(1);
        this->healthCheckThread_.getWorker().notifyCheckHealth();
    }

    void resetCountdown() override {
        static const std::string context = contextOf("resetCountdown");
        enter(context);
        batteryCountdown_.store(BatteryCountdown);
    }

    // Asks the command-and-control thread to disconnect with the error number.
    void shutDown(const zeph::platform::DWORD& errorNumber) override {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("shutDown");
        enter(context);
        if (!zeph::platform::postThreadMessage(this->commandAndControlThread_.getThreadId(),
                                               TM_QUORVEX_DISCONNECT, 0,
                                               static_cast<zeph::platform::LPARAM>(errorNumber))) {
            const zeph::platform::DWORD error = zeph::platform::getLastError();
            LogBeacon::log(context.c_str(), Error, L"::PostThreadMessage() failed! Reason [%d].", error);
            LogBeacon::logSystemError(context.c_str(), error);
        }
    }

    zeph::platform::DWORD checkHealth() override {
        static const std::string context = contextOf("checkHealth");
        enter(context);
        const CheckInProgress inProgress(checking_);
        if (const auto code = checkThreads(); code != 0) {
            return code;
        }
        if (const auto code = checkPollingState(); code != 0) {
            // A battery reading is outstanding: the link is not judged meanwhile.
            return code == zeph::platform::ERROR_NOT_READY ? 0 : code;
        }
        if (const auto code = checkNAKCount(); code != 0) {
            return code;
        }
        if (this->deviceState_.operatingMode() == OperatingMode::Streaming &&
            this->deviceState_.streamingState() == StreamingState::Ending) {
            return checkStreaming();
        }
        streamingBaseline_.store(0);
        return checkFrameCounts();
    }

protected:
    // A serial thread that ended by itself with a non-zero code ended the link.
    zeph::platform::DWORD checkThreads() {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("checkThreads");
        enter(context);
        LogBeacon::log(context.c_str(), DebugLevel4, L"Checking communications threads.");
        if (const auto code = unexpectedExitOf(this->serialReadThread_); code != 0) {
            LogBeacon::log(context.c_str(), Error, L"Determined the [_read_thread] shutdown unexpectedly.");
            return code;
        }
        if (const auto code = unexpectedExitOf(this->serialWriteThread_); code != 0) {
            LogBeacon::log(context.c_str(), Error, L"Determined the [_write_thread] shutdown unexpectedly.");
            return code;
        }
        return 0;
    }

    // ERROR_NOT_READY while a battery reading may still suspend the checks; the check after the
    // last allowed one gives the reading up and sends the commands held back for it.
    zeph::platform::DWORD checkPollingState() {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("checkPollingState");
        enter(context);
        const bool polling = this->deviceState_.adcPolling();
        LogBeacon::log(context.c_str(), DebugLevel4, L"Checking polling state [%s].",
                       polling ? L"TRUE" : L"FALSE");
        if (!polling) {
            return 0;
        }
        if (batteryCountdown_.load() > 0) {
            LogBeacon::log(context.c_str(), Warning, L"Suspending HealthCheck for battery check.");
            batteryCountdown_.fetch_sub(1);
            return zeph::platform::ERROR_NOT_READY;
        }
        LogBeacon::log(context.c_str(), Warning,
                       L"Battery check exceeded maximum duration, resuming normal operation.");
        this->deviceState_.setAdcPolling(false);
        resetCountdown();
        if (IUserInterface* commands = userInterface(); commands != nullptr) {
            commands->popQueue();
        }
        return zeph::platform::ERROR_NOT_READY;
    }

    zeph::platform::DWORD checkNAKCount() {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("checkNAKCount");
        enter(context);
        const std::int32_t naks = consecutiveNaks_.load();
        LogBeacon::log(context.c_str(), DebugLevel2, L"Checking NAK count [%d].", naks);
        if (naks >= 3) {
            LogBeacon::log(context.c_str(), Error,
                           L"Determined there is a communications error with %d consecutive NAKs.", naks);
            return zeph::platform::ERROR_READ_FAULT;
        }
        return 0;
    }

    // Fails when not a single frame, good or bad, arrived since the previous frame-count check.
    zeph::platform::DWORD checkFrameCounts() {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("checkFrameCounts");
        enter(context);
        // Summed unsigned: the counters may wrap on a very long connection, a sum must not trap.
        const std::uint32_t total =
            static_cast<std::uint32_t>(goodFrames_.load()) + static_cast<std::uint32_t>(badFrames_.load());
        const std::uint32_t last = lastFrameTotal_.load();
        LogBeacon::log(context.c_str(), DebugLevel4, L"Checking frame count [%d] [%d].", last, total);
        // A check that a NAK asks for may come moments after the last one, before the unit could
        // send again: silence is judged only over a span as long as the shortest check period, so
        // a busy link is never taken for a silent one.
        const std::int64_t now = steadyMilliseconds();
        if (now - lastFrameJudgement_.load() < shortestCheckPeriod()) {
            return 0;
        }
        lastFrameJudgement_.store(now);
        if (total == last) {
            LogBeacon::log(context.c_str(), Error,
                           L"Determined the application is not communicating with the QUORVEX unit.");
            return zeph::platform::ERROR_READ_FAULT;
        }
        lastFrameTotal_.store(total);
        return 0;
    }

    // A stream that should be stopping: repeat the stop, then reinitialise the unit, then give up
    // and disconnect, each at its own count of blocks that came after the check began.
    zeph::platform::DWORD checkStreaming() {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("checkStreaming");
        enter(context);
        LogBeacon::log(context.c_str(), DebugLevel2, L"Checking streaming.");
        const std::uint32_t total = streamingTotal();
        if (streamingBaseline_.load() == 0) {
            streamingBaseline_.store(total);
        }
        const std::uint32_t baseline = streamingBaseline_.load();
        const std::uint32_t excess = total - baseline;
        IUserInterface* commands = userInterface();
        if (excess == 1 || excess == 2) {
            LogBeacon::log(context.c_str(), Warning, L"Detected excessive streaming frames [%d] [%d].",
                           baseline, total);
        } else if (excess == 3 || excess == 6 || excess == 9) {
            LogBeacon::log(context.c_str(), Error, L"Sending stop message.");
            if (commands != nullptr) {
                commands->stopStreaming();
            }
        } else if (excess == 12 || excess == 15) {
            LogBeacon::log(context.c_str(), Error,
                           L"Sending initialize message to reinitialize QUORVEX unit.");
            if (commands != nullptr) {
                commands->reinit();
            }
        } else if (excess >= 18 && excess % 3 == 0) {
            LogBeacon::log(context.c_str(), Error,
                           L"Unable to stop streaming data, disconnecting from QUORVEX unit.");
            showErrorBox(UnableToStopStreamingText);
            // A disconnect that came while the box was up has already ended the connection.
            if (this->deviceState_.connectionState() != ConnectionState::Disconnected) {
                if (commands != nullptr) {
                    commands->disconnect();
                } else {
                    shutDown(0);
                }
            }
        }
        return 0;
    }

private:
    static constexpr std::int64_t NeverJudged = std::numeric_limits<std::int64_t>::min() / 2;

    static std::int64_t steadyMilliseconds() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    std::int64_t shortestCheckPeriod() {
        const HealthCheckPeriods periods = this->healthCheckThread_.getWorker().periods();
        return std::min({periods.command, periods.polling, periods.beginning, periods.streaming});
    }

    // Holds the check-in-progress flag for the length of one check, whichever way it returns.
    class CheckInProgress {
    public:
        explicit CheckInProgress(std::atomic<bool>& flag) : flag_(flag) { flag_.store(true); }
        ~CheckInProgress() { flag_.store(false); }
        CheckInProgress(const CheckInProgress&) = delete;
        CheckInProgress& operator=(const CheckInProgress&) = delete;

    private:
        std::atomic<bool>& flag_;
    };

    static std::string contextOf(const char* operation) {
        return zeph::platform::operationContext<THealthCheck>(operation);
    }

    // The entry trace of every operation.
    static void enter(const std::string& context) {
        zeph::windows::logging::LogBeacon::log(context.c_str(), zeph::windows::logging::DebugLevel1, L" ");
    }

    template <typename Thread>
    static zeph::platform::DWORD unexpectedExitOf(const Thread& thread) {
        const zeph::windows::system::threading::ThreadState state = thread.getState();
        const std::int32_t code = thread.getExitCode();
        return state == zeph::windows::system::threading::ThreadState::Stopped && code != 0
                   ? static_cast<zeph::platform::DWORD>(code)
                   : 0;
    }

    // The command layer above, when this layer is part of a whole stack.
    IUserInterface* userInterface() { return dynamic_cast<IUserInterface*>(this); }

    // All streaming blocks counted so far, accepted and ignored.
    std::uint32_t streamingTotal() {
        const EventCounters* streaming = this->eventCounters_.find(1);
        return streaming != nullptr ? streaming->total() : 0;
    }

    // A box is a window and belongs to the window thread: ask the main window to show it and wait
    // until it is dismissed. Without a window there is nobody to tell, so there is no box.
    void showErrorBox(const wchar_t* text) {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("showErrorBox");
        enter(context);
        const zeph::platform::HWND window = this->window_.load();
        if (window == nullptr || !zeph::platform::isWindow(window)) {
            LogBeacon::log(context.c_str(), Warning, L"No main window to show the error box: %s", text);
            return;
        }
        zeph::platform::sendMessage(window, WM_QUORVEX_SHOW_ERROR_BOX, QUORVEX_ERROR_BOX_STYLE,
                                    reinterpret_cast<zeph::platform::LPARAM>(text));
    }

    std::atomic<std::int32_t> goodFrames_{0};
    std::atomic<std::int32_t> badFrames_{0};
    std::atomic<std::uint32_t> lastFrameTotal_{0};
    //! When checkFrameCounts last judged the link (steady clock, ms).
    std::atomic<std::int64_t> lastFrameJudgement_{NeverJudged};
    std::atomic<std::int32_t> consecutiveNaks_{0};
    std::atomic<std::int32_t> batteryCountdown_{BatteryCountdown};
    //! The streaming total when the check of a stopping stream began; 0 while not set.
    std::atomic<std::uint32_t> streamingBaseline_{0};
    std::atomic<bool> checking_{false};
};
