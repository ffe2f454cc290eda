#include "console/plots/RepaintPacer.h"

#include <QWidget>

namespace quorvex::console {

RepaintPacer::RepaintPacer(QWidget* widget) : QObject(widget) {
    timer_.setSingleShot(true);
    timer_.setInterval(FrameIntervalMs);
    connect(&timer_, &QTimer::timeout, widget, qOverload<>(&QWidget::update));
}

void RepaintPacer::request() {
    if (!timer_.isActive()) {
        timer_.start();
    }
}

}  // namespace quorvex::console
