#pragma once

#include "console/plots/HistoryModel.h"
#include "console/plots/PlotBackground.h"
#include "console/plots/PlotContext.h"

namespace quorvex::console {

// What HistoryWnd draws under its content: frame, grid and scale strip. It changes only with the
// window's size and colours, so the window keeps it as a picture of its own.
PlotScene historyBackground(const FrameColours& colours, int width, int height);
// The content for a window of that size, drawn over the background. The legacy trace makes the
// display mode follow the unit's channel kind, so the model may change.
PlotScene historyScene(HistoryModel& model, const PlotContext& context, int width, int height);

}  // namespace quorvex::console
