#include "console/plots/AxisHistoryWnd.h"

#include "console/plots/AxisHistoryScene.h"
#include "console/plots/ScenePainter.h"

#include <QPainter>

namespace quorvex::console {

AxisHistoryWnd::AxisHistoryWnd(const DeviceState* state, QWidget* parent)
    : QWidget(parent), state_(state), pacer_(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

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

void AxisHistoryWnd::refresh() {
    image_.invalidate();
    pacer_.request();
}

void AxisHistoryWnd::paintEvent(QPaintEvent*) {
    const PlotContext context = plotContextOf(state_);
    const FrameColours colours = frameColoursOf(palette());
    QPainter painter(this);
    painter.drawImage(0, 0, image_.image(*this, [&](int width, int height) {
        return axisHistoryScene(model_, context, colours, width, height);
    }));
}

}  // namespace quorvex::console
