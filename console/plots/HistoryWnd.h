#pragma once

#include "console/plots/HistoryModel.h"
#include "console/plots/PlotWindow.h"

namespace quorvex::console {

// The transmitter level plot beside the gain meter. Every sample enters the ring at once; the
// window paints at the screen's pace from a cached picture.
class HistoryWnd : public PlotWindow {
    Q_OBJECT
public:
    explicit HistoryWnd(const DeviceState* state, QWidget* parent = nullptr) : PlotWindow(state, parent) {}

    // Sizes the ring for `width` pixels (the window's own width when 0) and empties it.
    void reset(int width = 0);
    void addSample(const StreamingSample& sample);
    // The current value display, without adding to the history (the stream is not playing).
    void setCurrentSample(const StreamingSample& sample);
    void setActiveTransmitter(const ChannelRecord* row);
    void setMode(const ChannelKind& kind);

    const HistoryModel& model() const { return model_; }

protected:
    PlotScene background(const FrameColours& colours, int width, int height) override;
    PlotScene scene(const PlotContext& context, int width, int height) override;
    std::string description(const PlotContext& context) const override;

private:
    HistoryModel model_;
};

}  // namespace quorvex::console
