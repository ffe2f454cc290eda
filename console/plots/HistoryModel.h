#pragma once

#include "console/plots/PlotScale.h"
#include "console/plots/SampleRing.h"
#include "device/ChannelRecord.h"

#include <array>
#include <cstdint>

namespace quorvex::console {

// What HistoryWnd remembers between paints: the display mode, the ring, the current sample, the
// active transmitter and the detected flags, with the rules that change them. No drawing here.
class HistoryModel {
public:
    // The scale strip and the frame on the right take 25 pixels.
    static constexpr int ReservedWidth = 25;

    HistoryModel();

    // Sizes the ring for a window of that width and empties it; no active transmitter.
    void reset(int width);
    // Empties the ring at the last width.
    void reset();
    void addSample(const PlotSample& sample);
    // Shows the sample as the current value without adding it to the history.
    void setCurrentSample(const PlotSample& sample) { current_ = sample; }
    void setActiveTransmitter(const ChannelRecord* row);
    // `firmware` is the unit's version word, which decides which changes clear the plot.
    void setMode(const ChannelKind& kind, std::uint16_t firmware);
    // The legacy trace follows the kind of the unit's own channel, without clearing the plot.
    void followUnitKind(const ChannelKind& kind) { mode_ = &kind; }

    const ChannelKind& mode() const { return *mode_; }
    const ChannelRecord* activeTransmitter() const { return active_; }
    const SampleRing& ring() const { return ring_; }
    const PlotSample& current() const { return current_; }
    bool detected(int slot) const { return detected_[static_cast<std::size_t>(slot)]; }

private:
    void resetLogged(const wchar_t* which);

    const ChannelKind* mode_;
    int width_ = 0;
    SampleRing ring_;
    PlotSample current_;
    const ChannelRecord* active_;
    // Slot 0 from the signal flag, slots 1 to 7 from transmitters 1 to 7 (bytes 20 to 27).
    std::array<bool, 8> detected_{};
};

}  // namespace quorvex::console
