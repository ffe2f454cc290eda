#include "console/plots/AxisHistoryModel.h"

#include "console/plots/PlotScale.h"
#include "device/ChannelRegistry.h"
#include "support/logging/LogBeacon.h"

using zeph::windows::logging::LogBeacon;

namespace quorvex::console {

AxisHistoryModel::AxisHistoryModel() : active_(ChannelRegistry::find(9)) {}

void AxisHistoryModel::reset(int width) {
    width_ = width;
    reset();
}

void AxisHistoryModel::reset() {
    ring_.reset(ringSizing(width_, ReservedWidth));
}

void AxisHistoryModel::addSample(const PlotSample& sample) {
    ring_.add(sample);
    active_ = sample.channel == 0 ? nullptr : ChannelRegistry::find(sample.channel);
}

void AxisHistoryModel::setActiveTransmitter(const ChannelRecord* row) {
    LogBeacon::log("AxisHistoryWnd::setActiveTransmitter", zeph::windows::logging::DebugLevel1, L" ");
    if (row == nullptr) {
        if (active_ != nullptr) {
            active_ = nullptr;
            reset();
        }
        return;
    }
    if (active_ == nullptr || active_->id == row->id) {
        return;
    }
    active_ = row;
    reset();
}

}  // namespace quorvex::console
