#pragma once

#include "device/ChannelKind.h"

#include <cstdint>

class DeviceState;

namespace quorvex::console {

// What the plots read from the unit's state when they paint.
struct PlotContext {
    bool connected = false;
    std::uint16_t firmware = 0;  // the first firmware revision word
    int gain = 0;
    // The kind of the unit's own channel; null while it has none.
    const ChannelKind* unitKind = nullptr;
};

// A snapshot of the state; an empty context without one.
PlotContext plotContextOf(const DeviceState* state);

}  // namespace quorvex::console
