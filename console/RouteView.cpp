#include "console/RouteView.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace quorvex::console {

namespace {

const QColor LineColour(0, 120, 215);
const QColor PigColour(230, 120, 0);

void paintNorthArrow(QPainter& painter, const QLineF& north) {
    const QPointF tip = north.p2();
    const QPointF head[] = {tip, tip + QPointF(-5, 10), tip + QPointF(5, 10)};
    painter.drawLine(north);
    painter.drawPolygon(head, 3);
    const QFontMetricsF metrics(painter.font());
    painter.drawText(tip - QPointF(metrics.horizontalAdvance(QLatin1Char('N')) + 8, -metrics.ascent()),
                     QStringLiteral("N"));
}

void paintRouteView(QPainter& painter, const RouteViewGeometry& view, const QPalette& palette) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(LineColour, 2));
    painter.drawPolyline(view.line);
    const QColor text = palette.color(QPalette::WindowText);
    painter.setPen(QPen(text, 1));
    painter.setBrush(palette.color(QPalette::Base));
    const QFontMetricsF metrics(painter.font());
    const QRectF area = painter.viewport();
    std::vector<QRectF> labels;
    for (const RouteViewMarker& marker : view.markers) {
        painter.drawRect(QRectF(marker.at - QPointF(3, 3), QSizeF(6, 6)));
        // A name goes left of its marker near the right edge, and none where it would cover
        // another's: markers a few pixels apart keep the first name.
        QRectF label = metrics.boundingRect(marker.name).translated(marker.at + QPointF(6, -4));
        if (label.right() > area.right()) {
            label.moveRight(marker.at.x() - 6);
        }
        if (std::none_of(labels.begin(), labels.end(),
                         [&](const QRectF& other) { return other.intersects(label); })) {
            painter.drawText(label.bottomLeft() - QPointF(0, metrics.descent()), marker.name);
            labels.push_back(label);
        }
    }
    painter.setBrush(text);
    paintNorthArrow(painter, view.north);
    painter.drawLine(view.scaleBar);
    for (const QPointF& end : {view.scaleBar.p1(), view.scaleBar.p2()}) {
        painter.drawLine(end, end - QPointF(0, 4));
    }
    painter.drawText(view.scaleBar.p1() + QPointF(0, -6), view.scaleLabel);
    if (view.pig) {
        painter.setPen(QPen(palette.color(QPalette::Base), 1.5));
        painter.setBrush(PigColour);
        painter.drawEllipse(*view.pig, 6, 6);
    }
}

}  // namespace

RouteView::RouteView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 120);
    setAccessibleName(QStringLiteral("Route"));
}

void RouteView::show(const tracking::Route* route, std::optional<double> pigChainageMetres) {
    if (route != route_ || pigChainageMetres != pig_) {
        route_ = route;
        pig_ = pigChainageMetres;
        geometry_.reset();
        update();
    }
}

void RouteView::paintEvent(QPaintEvent*) {
    if (route_ == nullptr) {
        return;
    }
    if (!geometry_ || geometrySize_ != size()) {
        geometry_ = routeViewGeometry(*route_, pig_, size());
        geometrySize_ = size();
    }
    QPainter painter(this);
    paintRouteView(painter, *geometry_, palette());
}

}  // namespace quorvex::console
