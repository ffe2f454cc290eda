#include "console/plots/PlotImage.h"

#include "console/plots/ScenePainter.h"

#include <QPainter>
#include <QWidget>

namespace quorvex::console {

const QImage& PlotImage::image(const QWidget& widget, const SceneBuilder& build) {
    const qreal ratio = widget.devicePixelRatioF();
    const QSize pixels = widget.size() * ratio;
    if (dirty_ || image_.size() != pixels || image_.devicePixelRatio() != ratio) {
        if (image_.size() != pixels) {
            image_ = QImage(pixels, QImage::Format_RGB32);
        }
        image_.setDevicePixelRatio(ratio);
        QPainter painter(&image_);
        QFont font = widget.font();
        font.setPointSize(8);
        paintScene(painter, build(widget.width(), widget.height()), font);
        dirty_ = false;
    }
    return image_;
}

}  // namespace quorvex::console
