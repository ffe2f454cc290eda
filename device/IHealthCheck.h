#pragma once

#include "support/platform/ErrorCodes.h"

#include <cstdint>

class DeviceState;
struct EventCounters;

// The link health layer: counters fed by the frame layer and the checks of the health thread.
class IHealthCheck {
public:
    virtual void resetCounters() = 0;
    virtual DeviceState* getDeviceState() = 0;
    virtual EventCounters* findEventCounters(std::uint32_t eventBit) = 0;
    virtual bool isChecking() = 0;
    virtual void incGoodFrameCount() = 0;
    virtual void incBadFrameCount() = 0;
    virtual void incNakCount() = 0;
    virtual void resetCountdown() = 0;
    virtual void shutDown(const zeph::platform::DWORD& errorNumber) = 0;
    virtual zeph::platform::DWORD checkHealth() = 0;

protected:
    ~IHealthCheck() = default;
};
