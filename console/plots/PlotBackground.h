#pragma once

#include "console/plots/PlotShape.h"

#include <vector>

namespace quorvex::console {

// The desktop's 3D colours that frame a plot.
struct FrameColours {
    zeph::platform::COLORREF highlight = 0;
    zeph::platform::COLORREF shadow = 0;
    zeph::platform::COLORREF darkShadow = 0;
    zeph::platform::COLORREF light = 0;
};

// Positions every 20 pixels in [from, to), centred: the leftover is split, the first at +10.
std::vector<int> latticePositions(int from, int to);

// Black ground, the double 3D frame and the dot grid over the plot area, which ends at gridRight.
void addBackground(PlotScene& scene, int width, int height, const FrameColours& colours, int gridRight);
// The level scale strip at the right edge, with its tick lines.
void addScaleStrip(PlotScene& scene, int width, int height);

}  // namespace quorvex::console
