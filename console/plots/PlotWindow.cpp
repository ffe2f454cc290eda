#include "console/plots/PlotWindow.h"

#include "console/plots/ScenePainter.h"

#include <QPainter>

namespace quorvex::console {

PlotWindow::PlotWindow(const DeviceState* state, QWidget* parent)
    : QWidget(parent), state_(state), pacer_(this) {
    // Every paint covers the whole window from the cached picture: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotWindow::refresh() {
    image_.invalidate();
    pacer_.request();
}

void PlotWindow::paintEvent(QPaintEvent*) {
    const PlotContext context = plotContextOf(state_);
    const FrameColours colours = frameColoursOf(palette());
    QPainter painter(this);
    painter.drawImage(0, 0, image_.image(*this, [&](int width, int height) {
        return scene(context, colours, width, height);
    }));
}

}  // namespace quorvex::console
