#include "console/plots/PlotWindow.h"

#include "console/plots/PlotAccessible.h"
#include "console/plots/ScenePainter.h"

#include <QEvent>
#include <QPainter>

namespace quorvex::console {

PlotWindow::PlotWindow(const DeviceState* state, QWidget* parent)
    : QWidget(parent), state_(state), pacer_(this) {
    // Every paint covers the whole window with the cached background: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    PlotAccessible::install();
}

void PlotWindow::refresh() {
    pacer_.request();
}

void PlotWindow::redraw() {
    image_.invalidateBackground();
    refresh();
}

void PlotWindow::paintEvent(QPaintEvent*) {
    const PlotContext context = plotContextOf(state_);
    QPainter painter(this);
    image_.paint(
        painter, *this,
        [this](int width, int height) { return background(frameColoursOf(palette()), width, height); },
        [&](int width, int height) { return scene(context, width, height); });
    // Told at the pace the picture changes, never once per sample.
    const QString described = QString::fromStdString(description(context));
    if (described != accessibleDescription()) {
        setAccessibleDescription(described);
    }
}

void PlotWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        image_.invalidateBackground();
    }
    QWidget::changeEvent(event);
}

}  // namespace quorvex::console
