#pragma once

#include "console/plots/AxisHistoryModel.h"
#include "console/plots/PlotBackground.h"
#include "console/plots/PlotContext.h"

namespace quorvex::console {

// What AxisHistoryWnd draws under its content: frame and grid (kept as a picture of its own).
PlotScene axisHistoryBackground(const FrameColours& colours, int width, int height);
// The traces and the legend for a window of that size, drawn over the background.
PlotScene axisHistoryScene(const AxisHistoryModel& model, const PlotContext& context, int width, int height);

}  // namespace quorvex::console
