#include "console/plots/HistoryLayers.h"

#include "console/plots/PlotScale.h"
#include "device/ChannelRegistry.h"

#include <algorithm>

namespace quorvex::console {

namespace {

constexpr int ExtraValueMilestone = 91;
constexpr int RenumberedMilestone = 96;
constexpr int LegacyLevelSlot = 7;

}  // namespace

HistoryLayers historyLayers(const ChannelKind& mode, std::uint16_t firmware) {
    HistoryLayers layers;
    if (mode == ChannelKind::Magnetic) {
        layers.magneticTrace = true;
        return layers;
    }
    const bool renumbered = firmwareAtLeast(firmware, RenumberedMilestone);
    if (!renumbered && mode == ChannelKind::Legacy) {
        layers.legacyTrace = true;
        return layers;
    }
    layers.levelBars = true;
    layers.activeArea = true;
    layers.detectedLines = true;
    layers.legacyTrace = !renumbered && firmwareAtLeast(firmware, ExtraValueMilestone);
    return layers;
}

int levelSlot(const ChannelRecord& row, std::uint16_t firmware) {
    if (*row.kind == ChannelKind::Quorvex) {
        return row.id - 1;
    }
    if (*row.kind == ChannelKind::Legacy && firmwareAtLeast(firmware, RenumberedMilestone)) {
        return LegacyLevelSlot;
    }
    return -1;
}

std::vector<LevelBar> levelBars(const PlotSample& current, std::uint16_t firmware) {
    std::vector<LevelBar> bars;
    const VerticalScale scale = levelScale();
    for (const auto& [id, row] : ChannelRegistry::all()) {
        const int slot = levelSlot(row, firmware);
        if (slot < 0 || current.levels[slot] == NoValue) {
            continue;
        }
        bars.push_back({&row, scale.height(current.levels[slot])});
    }
    std::stable_sort(bars.begin(), bars.end(),
                     [](const LevelBar& a, const LevelBar& b) { return a.height > b.height; });
    return bars;
}

}  // namespace quorvex::console
