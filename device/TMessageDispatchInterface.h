#pragma once

#include "device/IMessageDispatch.h"
#include "device/LayerTrace.h"

// The event layer: decodes accepted payloads and tells the main window.
template <typename Base>
class TMessageDispatchInterface : public Base, public IMessageDispatch {
public:
    void DispatchMessage(const std::uint8_t*, std::size_t) override {
        traceEntry<TMessageDispatchInterface>("DispatchMessage");
    }
};
