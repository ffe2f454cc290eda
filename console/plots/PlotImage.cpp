#include "console/plots/PlotImage.h"

#include "console/plots/ScenePainter.h"

#include <QPainter>
#include <QWidget>

namespace quorvex::console {

namespace {

QFont sceneFont(const QWidget& widget) {
    QFont font = widget.font();
    font.setPointSize(8);
    return font;
}

}  // namespace

void PlotImage::paint(QPainter& painter, const QWidget& widget, const SceneBuilder& background,
                      const SceneBuilder& content) {
    const qreal ratio = widget.devicePixelRatioF();
    const QSize pixels = widget.size() * ratio;
    if (background_.size() != pixels || background_.devicePixelRatio() != ratio) {
        background_ = QImage(pixels, QImage::Format_RGB32);
        background_.setDevicePixelRatio(ratio);
        QPainter backgroundPainter(&background_);
        paintScene(backgroundPainter, background(widget.width(), widget.height()), sceneFont(widget));
    }
    painter.drawImage(0, 0, background_);
    paintScene(painter, content(widget.width(), widget.height()), sceneFont(widget));
}

}  // namespace quorvex::console
