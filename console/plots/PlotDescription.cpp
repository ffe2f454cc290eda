#include "console/plots/PlotDescription.h"

#include "console/plots/HistoryLayers.h"
#include "console/plots/PlotScale.h"
#include "support/platform/TextConversion.h"

#include <algorithm>

namespace quorvex::console {

namespace {

std::string transmitterText(const ChannelRecord* row) {
    if (row == nullptr) {
        return "no transmitter";
    }
    if (*row->kind == ChannelKind::Quorvex) {
        return "transmitter " + std::to_string(row->id);
    }
    return zeph::platform::narrow(row->name);
}

}  // namespace

std::string historyDescription(const HistoryModel& model, std::uint16_t firmware) {
    const ChannelRecord* row = model.activeTransmitter();
    std::string text = "History plot, " + transmitterText(row);
    const int slot = row == nullptr ? -1 : levelSlot(*row, firmware);
    if (slot < 0 || model.current().levels[slot] == NoValue) {
        return text + ", no level";
    }
    // As the bar is drawn: a negative level shows nothing, a level above full scale a full bar.
    const auto level = static_cast<std::uint32_t>(model.current().levels[slot]);
    const std::uint64_t percent =
        level >= 0x80000000u ? 0 : std::min<std::uint64_t>(std::uint64_t{level} * 100 / LevelFullScale, 100);
    return text + ", level " + std::to_string(percent) + " % of full scale";
}

std::string axisHistoryDescription(const AxisHistoryModel& model) {
    return "Axis history plot, X, Y and Z magnetic axes, " + transmitterText(model.activeTransmitter());
}

}  // namespace quorvex::console
