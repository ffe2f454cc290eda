#pragma once

#include "device/ChannelKind.h"
#include "support/platform/Colour.h"

#include <string>

// One row of the channel table. The id is the channel number that selectChannel sends and that
// streaming samples and record events carry.
struct ChannelRecord {
    int id = 0;
    std::wstring name;
    std::wstring shortName;
    float lowerFrequency = 0.0f;
    float upperFrequency = 0.0f;
    zeph::platform::COLORREF colour = 0;
    const ChannelKind* kind = nullptr;
};
