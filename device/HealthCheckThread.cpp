#include "device/HealthCheckThread.h"

#include "device/DeviceState.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"

#include <algorithm>
#include <chrono>
#include <optional>

using namespace zeph::windows::logging;
using zeph::platform::DWORD;
using zeph::windows::system::threading::ThreadState;
namespace platform = zeph::platform;

namespace {

using Clock = std::chrono::steady_clock;

// The whole milliseconds from now until the deadline, rounded up so that a wait never ends early.
DWORD millisecondsBetween(Clock::time_point now, Clock::time_point deadline) {
    if (deadline <= now) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<DWORD>(std::min<decltype(ms)>(ms, platform::INFINITE - 1));
}

}  // namespace

// The events exist from construction, so that a NAK or a state change signalled before the thread
// has started is neither lost nor a race with initThread.
HealthCheckThread::HealthCheckThread()
    : terminate_(platform::Event::create(true, false)),
      stateChange_(platform::Event::create(false, false)),
      checkHealthEvent_(platform::Event::create(false, false)) {}

bool HealthCheckThread::initThread(const zeph::windows::system::threading::ThreadContext& context) {
    LogBeacon::log("HealthCheckThread::initThread", DebugLevel1, L" ");
    thread_ = context.thread;
    healthCheck_.store(static_cast<IHealthCheck*>(context.parameter));
    if (healthCheck_.load() == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    if (terminate_) {
        terminate_->reset();
    } else {
        terminate_ = platform::Event::create(true, false);
    }
    if (stateChange_) {
        stateChange_->reset();
    } else {
        stateChange_ = platform::Event::create(false, false);
    }
    // A NAK of the previous connection's last moments must not fail the first check of this one.
    if (checkHealthEvent_) {
        checkHealthEvent_->reset();
    } else {
        checkHealthEvent_ = platform::Event::create(false, false);
    }
    return terminate_ && stateChange_ && checkHealthEvent_;
}

void HealthCheckThread::exitThread() {
    LogBeacon::log("HealthCheckThread::exitThread", DebugLevel1, L" ");
}

void HealthCheckThread::notifyShutdown() {
    LogBeacon::log("HealthCheckThread::notifyShutdown", DebugLevel1, L" ");
    if (terminate_) {
        terminate_->set();
    }
}

void HealthCheckThread::notifyStateChange() {
    static constexpr const char* context = "HealthCheckThread::notifyStateChange";
    LogBeacon::log(context, DebugLevel1, L" ");
    if (IHealthCheck* health = healthCheck_.load(); health != nullptr && health->isChecking()) {
        LogBeacon::log(context, Warning, L"Health check already in progress - skipping.");
        return;
    }
    if (stateChange_) {
        stateChange_->set();
    }
}

void HealthCheckThread::notifyCheckHealth() {
    static constexpr const char* context = "HealthCheckThread::notifyCheckHealth";
    LogBeacon::log(context, DebugLevel1, L" ");
    if (IHealthCheck* health = healthCheck_.load(); health != nullptr && health->isChecking()) {
        LogBeacon::log(context, Warning, L"Health check already in progress - skipping.");
        return;
    }
    if (checkHealthEvent_) {
        checkHealthEvent_->set();
    }
}

void HealthCheckThread::setPeriods(const HealthCheckPeriods& periods) {
    commandPeriod_.store(periods.command);
    pollingPeriod_.store(periods.polling);
    beginningPeriod_.store(periods.beginning);
    streamingPeriod_.store(periods.streaming);
}

HealthCheckPeriods HealthCheckThread::periods() const {
    return {commandPeriod_.load(), pollingPeriod_.load(), beginningPeriod_.load(), streamingPeriod_.load()};
}

DWORD HealthCheckThread::periodFor(const DeviceState& state, const HealthCheckPeriods& periods) {
    if (state.operatingMode() == OperatingMode::Streaming) {
        return state.streamingState() == StreamingState::Beginning ? periods.beginning : periods.streaming;
    }
    return state.adcPolling() ? periods.polling : periods.command;
}

int HealthCheckThread::run() {
    static constexpr const char* context = "HealthCheckThread::run";
    LogBeacon::log(context, DebugLevel1, L" ");
    // When the next check is due. A state change may bring it forward, never push it back.
    std::optional<Clock::time_point> deadline;
    for (;;) {
        const DWORD period = periodFor(*healthCheck_.load()->getDeviceState(), periods());
        const Clock::time_point now = Clock::now();
        const Clock::time_point byPeriod = now + std::chrono::milliseconds(period);
        DWORD timeout = period;
        if (deadline && *deadline < byPeriod) {
            timeout = millisecondsBetween(now, *deadline);
        } else {
            deadline = byPeriod;
        }
        LogBeacon::log(context, DebugLevel4, L"Timeout = %d.", timeout);
        LogBeacon::log(context, DebugLevel2, L"Waiting for ::WaitForMultipleObjects().");
        thread_->setState(ThreadState::Wait);
        const DWORD result =
            platform::waitForMultipleObjects({terminate_, stateChange_, checkHealthEvent_}, false, timeout);
        switch (result) {
            case platform::WAIT_OBJECT_0:
                LogBeacon::log(context, DebugLevel3,
                               L"::WaitForMultipleObjects() became signaled via [_terminate], abandoning "
                               L"function call.");
                return 0;
            case platform::WAIT_OBJECT_0 + 1:
                LogBeacon::log(context, DebugLevel3,
                               L"::WaitForMultipleObjects() became signaled via [notify_state_change].");
                continue;
            case platform::WAIT_OBJECT_0 + 2:
                LogBeacon::log(context, DebugLevel3,
                               L"::WaitForMultipleObjects() became signaled via [notify_check_health].");
                break;
            case platform::WAIT_TIMEOUT:
                LogBeacon::log(context, DebugLevel3,
                               L"::WaitForMultipleObjects() timed out (WAIT_TIMEOUT) - Expected.");
                break;
            case platform::WAIT_FAILED: {
                const DWORD error = platform::getLastError();
                LogBeacon::log(
                    context, Error,
                    L"::WaitForMultipleObjects() failed (WAIT_FAILED) [%d], abandoning function call.",
                    error);
                LogBeacon::logSystemError(context, error);
                return static_cast<int>(error);
            }
            default:
                break;
        }
        deadline.reset();
        thread_->setState(ThreadState::Run);
        IHealthCheck* health = healthCheck_.load();
        const DWORD error = health->checkHealth();
        if (error != 0) {
            LogBeacon::log(context, Error, L"Detected an error [%d].", error);
            health->shutDown(error);
            return 0;
        }
    }
}
