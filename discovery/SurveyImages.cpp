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
    QPixmap pixmap(kSurveyImageSize, kSurveyImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return QIcon(pixmap);
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
