#pragma once

#include "console/plots/AxisHistoryModel.h"
#include "console/plots/PlotBackground.h"
#include "console/plots/PlotContext.h"

namespace quorvex::console {

// The whole AxisHistoryWnd picture for a window of that size.
PlotScene axisHistoryScene(const AxisHistoryModel& model, const PlotContext& context,
                           const FrameColours& colours, int width, int height);

}  // namespace quorvex::console
