#pragma once

#include "console/plots/PlotSample.h"
#include "device/ChannelRecord.h"

#include <cstdint>
#include <vector>

namespace quorvex::console {

// Which layers HistoryWnd draws, in the order they are drawn.
struct HistoryLayers {
    bool levelBars = false;
    bool activeArea = false;
    bool legacyTrace = false;
    bool detectedLines = false;
    bool magneticTrace = false;
    friend bool operator==(const HistoryLayers&, const HistoryLayers&) = default;
};

// By display mode and the unit's firmware version word.
HistoryLayers historyLayers(const ChannelKind& mode, std::uint16_t firmware);

// The level slot that a channel's history reads, or -1 when it has none on that firmware.
int levelSlot(const ChannelRecord& row, std::uint16_t firmware);

struct LevelBar {
    const ChannelRecord* row = nullptr;
    int height = 0;
};
// The transmitters' bars for the current sample, tallest first so that every bar stays visible;
// transmitters without a level are left out.
std::vector<LevelBar> levelBars(const PlotSample& current, std::uint16_t firmware);

}  // namespace quorvex::console
