#include "console/plots/HistoryModel.h"

#include "device/ChannelRegistry.h"
#include "support/logging/LogBeacon.h"

using zeph::windows::logging::LogBeacon;

namespace quorvex::console {

namespace {

constexpr int LegacyMilestone = 91;
constexpr int RenumberedMilestone = 96;

// From AUTO only a change the unit's firmware can actually show clears the plot.
bool autoModeChanges(const ChannelKind& kind, std::uint16_t firmware) {
    if (kind == ChannelKind::Quorvex) {
        return false;
    }
    if (kind == ChannelKind::Legacy) {
        return firmwareAtMost(firmware, LegacyMilestone);
    }
    return firmwareAtLeast(firmware, LegacyMilestone);
}

}  // namespace

HistoryModel::HistoryModel() : mode_(&ChannelKind::Auto), active_(ChannelRegistry::find(9)) {}

void HistoryModel::reset(int width) {
    width_ = width;
    reset();
}

void HistoryModel::reset() {
    ring_.reset(ringSizing(width_, ReservedWidth));
    current_ = PlotSample{};
    active_ = nullptr;
}

void HistoryModel::addSample(const PlotSample& sample) {
    current_ = sample;
    ring_.add(sample);
    active_ = sample.channel == 0 ? nullptr : ChannelRegistry::find(sample.channel);
    detected_[0] = sample.signal != 0;
    for (std::size_t i = 0; i < 7; ++i) {
        detected_[i + 1] = sample.transmitters[i] != 0;
    }
}

void HistoryModel::setActiveTransmitter(const ChannelRecord* row) {
    LogBeacon::log("HistoryWnd::setActiveTransmitter", zeph::windows::logging::DebugLevel1, L" ");
    if (row == nullptr) {
        if (active_ != nullptr) {
            active_ = nullptr;
            mode_ = &ChannelKind::Auto;
        }
        return;
    }
    if (active_ == nullptr || active_->id == row->id) {
        return;
    }
    const bool autoKeeps = *mode_ == ChannelKind::Auto &&
                           (*row->kind == ChannelKind::Quorvex || *row->kind == ChannelKind::Legacy);
    if (!(*row->kind == *mode_) && !autoKeeps) {
        mode_ = row->kind;
        reset();
    }
    active_ = row;
}

void HistoryModel::setMode(const ChannelKind& kind, std::uint16_t firmware) {
    if (kind == *mode_) {
        return;
    }
    LogBeacon::log("HistoryWnd::setMode", zeph::windows::logging::UIInfo, L"Modes Current [%s], New [%s]",
                   mode_->name(), kind.name());
    if (*mode_ == ChannelKind::Auto) {
        if (autoModeChanges(kind, firmware)) {
            mode_ = &kind;
            resetLogged(L"Calling reset(1)");
        }
        return;
    }
    const bool keepsPlot = *mode_ == ChannelKind::Quorvex &&
                           (kind == ChannelKind::Auto ||
                            (kind == ChannelKind::Legacy && firmwareMinor(firmware) >= RenumberedMilestone));
    mode_ = &kind;
    if (!keepsPlot) {
        resetLogged(L"Calling reset(2)");
    }
}

void HistoryModel::resetLogged(const wchar_t* which) {
    LogBeacon::log("HistoryWnd::setMode", zeph::windows::logging::UIInfo, which);
    reset();
}

}  // namespace quorvex::console
