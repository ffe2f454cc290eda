#include "console/plots/ScenePainter.h"

#include <QPainter>
#include <QPolygon>

using zeph::platform::COLORREF;
using zeph::platform::RGB;

namespace quorvex::console {

namespace {

COLORREF toColourRef(const QColor& colour) {
    return RGB(static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
               static_cast<std::uint8_t>(colour.blue()));
}

QPolygon toPolygon(const std::vector<PlotPoint>& points) {
    QPolygon polygon(static_cast<int>(points.size()));
    for (int i = 0; i < polygon.size(); ++i) {
        polygon.setPoint(i, points[static_cast<std::size_t>(i)].x, points[static_cast<std::size_t>(i)].y);
    }
    return polygon;
}

void paintShape(QPainter& painter, const PlotShape& shape) {
    const QColor colour = toQColor(shape.colour);
    switch (shape.kind) {
        case PlotShape::Kind::FillRect:
            painter.fillRect(QRect(QPoint(shape.points[0].x, shape.points[0].y),
                                   QPoint(shape.points[1].x - 1, shape.points[1].y - 1)),
                             colour);
            break;
        case PlotShape::Kind::Polyline:
            painter.setPen(QPen(colour, 0));
            painter.drawPolyline(toPolygon(shape.points));
            break;
        case PlotShape::Kind::FillPolygon:
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawPolygon(toPolygon(shape.points));
            painter.setBrush(Qt::NoBrush);
            break;
        case PlotShape::Kind::Text:
            painter.setPen(colour);
            painter.setBackground(toQColor(shape.background));
            painter.setBackgroundMode(Qt::OpaqueMode);
            painter.drawText(QRect(shape.points[0].x, shape.points[0].y, 1000, 1000),
                             Qt::AlignLeft | Qt::AlignTop, QString::fromStdWString(shape.text));
            painter.setBackgroundMode(Qt::TransparentMode);
            break;
    }
}

}  // namespace

QColor toQColor(COLORREF colour) {
    return QColor(zeph::platform::GetRValue(colour), zeph::platform::GetGValue(colour),
                  zeph::platform::GetBValue(colour));
}

FrameColours frameColoursOf(const QPalette& palette) {
    return {toColourRef(palette.color(QPalette::Light)), toColourRef(palette.color(QPalette::Dark)),
            toColourRef(palette.color(QPalette::Shadow)), toColourRef(palette.color(QPalette::Midlight))};
}

void paintScene(QPainter& painter, const PlotScene& scene, const QFont& font) {
    painter.setFont(font);
    for (const PlotShape& shape : scene) {
        paintShape(painter, shape);
    }
}

}  // namespace quorvex::console
