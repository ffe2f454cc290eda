#include "console/plots/HistoryWnd.h"

#include "console/plots/HistoryScene.h"
#include "console/plots/PlotDescription.h"

namespace quorvex::console {

void HistoryWnd::reset(int width) {
    model_.reset(width > 0 ? width : this->width());
    refresh();
}

void HistoryWnd::addSample(const StreamingSample& sample) {
    model_.addSample(sample);
    refresh();
}

void HistoryWnd::setCurrentSample(const StreamingSample& sample) {
    model_.setCurrentSample(sample);
    refresh();
}

void HistoryWnd::setActiveTransmitter(const ChannelRecord* row) {
    model_.setActiveTransmitter(row);
    refresh();
}

void HistoryWnd::setMode(const ChannelKind& kind) {
    model_.setMode(kind, plotContextOf(state()).firmware);
    refresh();
}

PlotScene HistoryWnd::background(const FrameColours& colours, int width, int height) {
    return historyBackground(colours, width, height);
}

PlotScene HistoryWnd::scene(const PlotContext& context, int width, int height) {
    return historyScene(model_, context, width, height);
}

std::string HistoryWnd::description(const PlotContext& context) const {
    return historyDescription(model_, context.firmware);
}

}  // namespace quorvex::console
