#include "console/plots/PlotImage.h"

#include "console/plots/ScenePainter.h"

#include <QPainter>
#include <QWidget>

namespace quorvex::console {

namespace {

QImage render(const QImage& base, const QWidget& widget, const PlotScene& scene) {
    QImage image = base;
    QPainter painter(&image);
    QFont font = widget.font();
    font.setPointSize(8);
    paintScene(painter, scene, font);
    return image;
}

}  // namespace

const QImage& PlotImage::image(const QWidget& widget, const SceneBuilder& background,
                               const SceneBuilder& content) {
    const qreal ratio = widget.devicePixelRatioF();
    const QSize pixels = widget.size() * ratio;
    if (background_.size() != pixels || background_.devicePixelRatio() != ratio) {
        QImage blank(pixels, QImage::Format_RGB32);
        blank.setDevicePixelRatio(ratio);
        background_ = render(blank, widget, background(widget.width(), widget.height()));
        dirty_ = true;
    }
    if (dirty_) {
        image_ = render(background_, widget, content(widget.width(), widget.height()));
        dirty_ = false;
    }
    return image_;
}

}  // namespace quorvex::console
