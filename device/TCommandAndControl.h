#pragma once

#include "device/ICommandAndControl.h"
#include "device/LayerTrace.h"

// The connection lifecycle layer: opens the port, starts and stops the link threads.
template <typename Base>
class TCommandAndControl : public Base, public ICommandAndControl {
public:
    void onConnect(const zeph::windows::communication::SerialSettings&) override {
        traceEntry<TCommandAndControl>("onConnect");
    }
    void onDisconnect(const zeph::platform::DWORD&) override {
        traceEntry<TCommandAndControl>("onDisconnect");
    }
};
