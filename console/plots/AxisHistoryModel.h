#pragma once

#include "console/plots/SampleRing.h"
#include "device/ChannelRecord.h"

namespace quorvex::console {

// What AxisHistoryWnd remembers between paints: the ring and the active transmitter, whose kind
// decides the scale and the sample width.
class AxisHistoryModel {
public:
    // The frame takes 4 pixels.
    static constexpr int ReservedWidth = 4;

    AxisHistoryModel();

    // Sizes the ring for a window of that width and empties it; the active transmitter stays.
    void reset(int width);
    void reset();
    void addSample(const PlotSample& sample);
    void setActiveTransmitter(const ChannelRecord* row);

    const ChannelRecord* activeTransmitter() const { return active_; }
    const SampleRing& ring() const { return ring_; }

private:
    int width_ = 0;
    SampleRing ring_;
    const ChannelRecord* active_;
};

}  // namespace quorvex::console
