#pragma once

#include "device/DeviceState.h"
#include "device/EventCounters.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/WindowTypes.h"

#include <atomic>

// The lowest layer of the device stack: it owns what the upper layers share.
class QuorvexSupervisor {
public:
    QuorvexSupervisor() = default;
    QuorvexSupervisor(const QuorvexSupervisor&) = delete;
    QuorvexSupervisor& operator=(const QuorvexSupervisor&) = delete;
    virtual ~QuorvexSupervisor() = default;

protected:
    DeviceState deviceState_;
    EventCounterTable eventCounters_;
    // The console's main window: every registered message of the stack goes there.
    std::atomic<zeph::platform::HWND> window_{nullptr};
    // The error code of the last failed connect.
    std::atomic<zeph::platform::DWORD> lastError_{0};
};
