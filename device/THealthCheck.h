#pragma once

#include "device/IHealthCheck.h"
#include "device/LayerTrace.h"

// The link health layer: counts good frames, bad frames and NAKs and checks the link.
template <typename Base>
class THealthCheck : public Base, public IHealthCheck {
public:
    void resetCounters() override { traceEntry<THealthCheck>("resetCounters"); }
    DeviceState* getDeviceState() override { return &this->deviceState_; }
    EventCounters* findEventCounters(std::uint32_t eventBit) override {
        return this->eventCounters_.find(eventBit);
    }
    bool isChecking() override { return false; }
    void incGoodFrameCount() override { traceEntry<THealthCheck>("incGoodFrameCount"); }
    void incBadFrameCount() override { traceEntry<THealthCheck>("incBadFrameCount"); }
    void incNakCount() override { traceEntry<THealthCheck>("incNakCount"); }
    void resetCountdown() override { traceEntry<THealthCheck>("resetCountdown"); }
    void shutDown(const zeph::platform::DWORD&) override { traceEntry<THealthCheck>("shutDown"); }
    zeph::platform::DWORD checkHealth() override {
        traceEntry<THealthCheck>("checkHealth");
        return 0;
    }
};
