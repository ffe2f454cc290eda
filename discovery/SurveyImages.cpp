#include "discovery/SurveyImages.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace zeph::windows::discovery {

namespace {

QIcon render(const QString& path) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        return {};
    }
    // Drawn for each pixel ratio a screen may have, so a scaled screen gets a sharp picture.
    QIcon icon;
    for (const int ratio : {1, 2, 3}) {
        QPixmap pixmap(kSurveyImageSize * ratio, kSurveyImageSize * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(0, 0, kSurveyImageSize, kSurveyImageSize));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

std::array<QIcon, 5> loadSurveyImages() {
    return {render(QStringLiteral(":/discovery/images/unit.svg")),
            render(QStringLiteral(":/discovery/images/unit_clock.svg")),
            render(QStringLiteral(":/discovery/images/unit_warning.svg")),
            render(QStringLiteral(":/discovery/images/unit_error.svg")),
            render(QStringLiteral(":/discovery/images/unit_ready.svg"))};
}

}  // namespace zeph::windows::discovery
