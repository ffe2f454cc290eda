#include "console/plots/HistoryWnd.h"

#include "console/plots/HistoryScene.h"
#include "console/plots/ScenePainter.h"

#include <QPainter>

namespace quorvex::console {

HistoryWnd::HistoryWnd(const DeviceState* state, QWidget* parent)
    : QWidget(parent), state_(state), pacer_(this) {
    // Every paint covers the whole window from the cached picture: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

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
    model_.setMode(kind, plotContextOf(state_).firmware);
    refresh();
}

void HistoryWnd::refresh() {
    image_.invalidate();
    pacer_.request();
}

void HistoryWnd::paintEvent(QPaintEvent*) {
    const PlotContext context = plotContextOf(state_);
    const FrameColours colours = frameColoursOf(palette());
    QPainter painter(this);
    painter.drawImage(0, 0, image_.image(*this, [&](int width, int height) {
        return historyScene(model_, context, colours, width, height);
    }));
}

}  // namespace quorvex::console
