#include "console/plots/AxisHistoryWnd.h"

#include "console/plots/AxisHistoryScene.h"
#include "console/plots/PlotDescription.h"

namespace quorvex::console {

void AxisHistoryWnd::reset(int width) {
    model_.reset(width > 0 ? width : this->width());
    refresh();
}

void AxisHistoryWnd::addSample(const StreamingSample& sample) {
    model_.addSample(sample);
    refresh();
}

void AxisHistoryWnd::setActiveTransmitter(const ChannelRecord* row) {
    model_.setActiveTransmitter(row);
    refresh();
}

PlotScene AxisHistoryWnd::background(const FrameColours& colours, int width, int height) {
    return axisHistoryBackground(colours, width, height);
}

PlotScene AxisHistoryWnd::scene(const PlotContext& context, int width, int height) {
    return axisHistoryScene(model_, context, width, height);
}

std::string AxisHistoryWnd::description(const PlotContext&) const {
    return axisHistoryDescription(model_);
}

}  // namespace quorvex::console
