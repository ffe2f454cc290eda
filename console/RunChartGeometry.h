#pragma once

#include "runreport/RunSnapshot.h"

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

namespace quorvex::console {

// A marker on the chart: a horizontal line at its chainage, named at the left.
struct ChartMarkerLine {
    QLineF line;
    QString name;
};

struct ChartTick {
    double x = 0;
    QString label;  // local time, "HH:mm"
};

// Chainage over time, in the widget's pixels: time runs right, chainage up.
struct RunChartGeometry {
    QRectF plot;  // the area inside the axes
    std::vector<ChartMarkerLine> markers;
    std::vector<ChartTick> ticks;
    std::vector<QPointF> passages;       // the pig's passages at markers
    std::vector<QPointF> otherPassages;  // off route, duplicates, no pig: kept and shown
    QLineF nowLine;                      // a vertical line at the clock's time
    std::optional<QPointF> estimate;     // where the pig is now, by dead reckoning
    std::vector<QPointF> projection;     // the estimate, then the arrivals ahead (dashed)
};

// Room left of the plot for the markers' names and below it for the times, in pixels.
constexpr double ChartLabelWidth = 64;
constexpr double ChartTickHeight = 18;

RunChartGeometry runChartGeometry(const runreport::RunSnapshot& run, QSizeF size);

}  // namespace quorvex::console
