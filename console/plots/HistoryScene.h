#pragma once

#include "console/plots/HistoryModel.h"
#include "console/plots/PlotBackground.h"
#include "console/plots/PlotContext.h"

namespace quorvex::console {

// The whole HistoryWnd picture for a window of that size. The legacy trace makes the display
// mode follow the unit's channel kind, so the model may change.
PlotScene historyScene(HistoryModel& model, const PlotContext& context, const FrameColours& colours,
                       int width, int height);

}  // namespace quorvex::console
