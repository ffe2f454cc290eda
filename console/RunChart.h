#pragma once

#include "console/RunChartGeometry.h"

#include <QWidget>

class QPainter;

namespace quorvex::console {

// Draws a chart's geometry in the palette's colours: markers as labelled lines, the pig's
// passages as dots, other passages as rings, the clock's time, the estimate and the arrivals
// ahead dashed. The report draws the same into its picture.
void paintRunChart(QPainter& painter, const RunChartGeometry& chart, const QPalette& palette);

// The Run tab's chainage-over-time chart.
class RunChart final : public QWidget {
    Q_OBJECT
public:
    explicit RunChart(QWidget* parent = nullptr);

    // Shows the run as last evaluated (repainted once, later).
    void show(const runreport::RunSnapshot* run);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const runreport::RunSnapshot* run_ = nullptr;
};

}  // namespace quorvex::console
