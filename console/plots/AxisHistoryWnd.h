#pragma once

#include "console/plots/AxisHistoryModel.h"
#include "console/plots/PlotWindow.h"

namespace quorvex::console {

// The X/Y/Z plot of the unit's magnetic sensor on the "Axis History" tab.
class AxisHistoryWnd : public PlotWindow {
    Q_OBJECT
public:
    explicit AxisHistoryWnd(const DeviceState* state, QWidget* parent = nullptr)
        : PlotWindow(state, parent) {}

    // Sizes the ring for `width` pixels (the window's own width when 0) and empties it.
    void reset(int width = 0);
    void addSample(const StreamingSample& sample);
    void setActiveTransmitter(const ChannelRecord* row);

    const AxisHistoryModel& model() const { return model_; }

protected:
    PlotScene background(const FrameColours& colours, int width, int height) override;
    PlotScene scene(const PlotContext& context, int width, int height) override;
    std::string description(const PlotContext& context) const override;

private:
    AxisHistoryModel model_;
};

}  // namespace quorvex::console
