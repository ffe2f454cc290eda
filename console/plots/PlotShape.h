#pragma once

#include "support/platform/Colour.h"

#include <string>
#include <vector>

namespace quorvex::console {

struct PlotPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

// One drawing step of a plot, in window pixels. Rectangles are (top-left, bottom-right) with the
// bottom-right corner outside, like a client rectangle; a text's point is its top-left corner.
struct PlotShape {
    enum class Kind { FillRect, Polyline, FillPolygon, Text };

    Kind kind = Kind::FillRect;
    zeph::platform::COLORREF colour = 0;
    std::vector<PlotPoint> points;
    std::wstring text;
    // For texts: the box colour behind them.
    zeph::platform::COLORREF background = 0;
    friend bool operator==(const PlotShape&, const PlotShape&) = default;
};

// A whole plot in drawing order: the painter only turns each shape into one QPainter call.
using PlotScene = std::vector<PlotShape>;

PlotShape fillRect(zeph::platform::COLORREF colour, int left, int top, int right, int bottom);
PlotShape polyline(zeph::platform::COLORREF colour, std::vector<PlotPoint> points);
// A one-pixel outline just inside the rectangle.
void addOutline(PlotScene& scene, zeph::platform::COLORREF colour, int left, int top, int right, int bottom);

}  // namespace quorvex::console
