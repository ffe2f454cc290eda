#pragma once

#include "console/plots/PlotBackground.h"
#include "console/plots/PlotShape.h"

#include <QColor>
#include <QFont>
#include <QPalette>

class QPainter;

namespace quorvex::console {

QColor toQColor(zeph::platform::COLORREF colour);
// The palette's 3D colours in the roles the plot frame uses.
FrameColours frameColoursOf(const QPalette& palette);
// One QPainter call per shape, in order; texts in `font`.
void paintScene(QPainter& painter, const PlotScene& scene, const QFont& font);

}  // namespace quorvex::console
