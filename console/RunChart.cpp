#include "console/RunChart.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <optional>

namespace quorvex::console {

namespace {

constexpr double DotRadius = 3.5;
const QColor PassageColour(0, 120, 215);
const QColor EstimateColour(230, 120, 0);

void paintAxes(QPainter& painter, const RunChartGeometry& chart, const QPalette& palette) {
    painter.setPen(QPen(palette.color(QPalette::Mid), 0));
    painter.drawRect(chart.plot);
    const QFontMetricsF metrics(painter.font());
    painter.setPen(palette.color(QPalette::WindowText));
    for (const ChartTick& tick : chart.ticks) {
        const double width = metrics.horizontalAdvance(tick.label);
        painter.drawLine(QPointF(tick.x, chart.plot.bottom()), QPointF(tick.x, chart.plot.bottom() + 3));
        painter.drawText(QPointF(tick.x - width / 2, chart.plot.bottom() + 3 + metrics.ascent()), tick.label);
    }
    std::optional<double> lastLabel;
    for (const ChartMarkerLine& marker : chart.markers) {
        painter.setPen(QPen(palette.color(QPalette::Mid), 0));
        painter.drawLine(marker.line);
        // Markers closer than a line of text keep the first one's name only.
        if (lastLabel && std::abs(*lastLabel - marker.line.y1()) < metrics.height()) {
            continue;
        }
        lastLabel = marker.line.y1();
        painter.setPen(palette.color(QPalette::WindowText));
        const QString name = metrics.elidedText(marker.name, Qt::ElideRight, chart.plot.left() - 6);
        painter.drawText(QPointF(chart.plot.left() - 4 - metrics.horizontalAdvance(name),
                                 marker.line.y1() + metrics.ascent() / 2 - 1),
                         name);
    }
}

void paintPassages(QPainter& painter, const RunChartGeometry& chart, const QPalette& palette) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(PassageColour);
    for (const QPointF& point : chart.passages) {
        painter.drawEllipse(point, DotRadius, DotRadius);
    }
    painter.setPen(QPen(palette.color(QPalette::WindowText), 1));
    painter.setBrush(Qt::NoBrush);
    for (const QPointF& point : chart.otherPassages) {
        painter.drawEllipse(point, DotRadius, DotRadius);
    }
}

void paintEstimate(QPainter& painter, const RunChartGeometry& chart, const QPalette& palette) {
    painter.setPen(QPen(palette.color(QPalette::WindowText), 0, Qt::DotLine));
    painter.drawLine(chart.nowLine);
    if (!chart.estimate) {
        return;
    }
    painter.setPen(QPen(EstimateColour, 1.5, Qt::DashLine));
    painter.drawPolyline(chart.projection.data(), static_cast<int>(chart.projection.size()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(EstimateColour);
    painter.drawEllipse(*chart.estimate, DotRadius + 1, DotRadius + 1);
}

}  // namespace

void paintRunChart(QPainter& painter, const RunChartGeometry& chart, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintAxes(painter, chart, palette);
    painter.setClipRect(chart.plot.adjusted(-DotRadius - 2, -DotRadius - 2, DotRadius + 2, DotRadius + 2));
    paintEstimate(painter, chart, palette);
    paintPassages(painter, chart, palette);
    painter.restore();
}

RunChart::RunChart(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 120);
    setAccessibleName(QStringLiteral("Chainage over time"));
}

void RunChart::show(const runreport::RunSnapshot* run) {
    run_ = run;
    update();
}

void RunChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (run_ != nullptr) {
        paintRunChart(painter, runChartGeometry(*run_, size()), palette());
    }
}

}  // namespace quorvex::console
