#pragma once

#include "device/IHealthCheck.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Event.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"

#include <atomic>
#include <memory>

// The check periods in ms, by the unit's mode.
struct HealthCheckPeriods {
    zeph::platform::DWORD command = 10240;   //!< "Command", no battery reading outstanding
    zeph::platform::DWORD polling = 384;     //!< "Command", battery reading outstanding
    zeph::platform::DWORD beginning = 1024;  //!< "Streaming", stream beginning
    zeph::platform::DWORD streaming = 384;   //!< "Streaming", any other streaming state
};

// Runs the link health checks periodically, with a period that follows the unit's mode, and at
// once when a NAK arrives. A change of mode recomputes the period but never postpones a check
// that is already due, so a unit that keeps changing state cannot starve its own supervision.
class HealthCheckThread final : public zeph::windows::system::threading::IBasicThreadAdapter {
public:
    HealthCheckThread();
    HealthCheckThread(const HealthCheckThread&) = delete;
    HealthCheckThread& operator=(const HealthCheckThread&) = delete;

    // The creator's parameter is the IHealthCheck to run.
    bool initThread(const zeph::windows::system::threading::ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

    // The unit's mode or streaming state moved on: recompute the period.
    void notifyStateChange();
    // A NAK arrived: check at once.
    void notifyCheckHealth();

    // Test hook: shorter periods so that a suite need not wait for the real ones. Takes effect
    // from the next wait.
    void setPeriods(const HealthCheckPeriods& periods);
    HealthCheckPeriods periods() const;

    // The period for the unit's mode: streaming beginning, other streaming, battery reading
    // outstanding in command mode, or plain command mode.
    static zeph::platform::DWORD periodFor(const DeviceState& state, const HealthCheckPeriods& periods);

private:
    zeph::windows::system::threading::IThread* thread_ = nullptr;
    // Set on the health check thread, read by the notifying threads.
    std::atomic<IHealthCheck*> healthCheck_{nullptr};
    std::shared_ptr<zeph::platform::Event> terminate_;         //!< "[_terminate]"
    std::shared_ptr<zeph::platform::Event> stateChange_;       //!< "[notify_state_change]", auto reset
    std::shared_ptr<zeph::platform::Event> checkHealthEvent_;  //!< "[notify_check_health]", auto reset
    std::atomic<zeph::platform::DWORD> commandPeriod_{HealthCheckPeriods{}.command};
    std::atomic<zeph::platform::DWORD> pollingPeriod_{HealthCheckPeriods{}.polling};
    std::atomic<zeph::platform::DWORD> beginningPeriod_{HealthCheckPeriods{}.beginning};
    std::atomic<zeph::platform::DWORD> streamingPeriod_{HealthCheckPeriods{}.streaming};
};
