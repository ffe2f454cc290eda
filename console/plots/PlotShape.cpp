#include "console/plots/PlotShape.h"

#include <utility>

namespace quorvex::console {

PlotShape fillRect(zeph::platform::COLORREF colour, int left, int top, int right, int bottom) {
    return {PlotShape::Kind::FillRect, colour, {{left, top}, {right, bottom}}, {}, 0};
}

PlotShape polyline(zeph::platform::COLORREF colour, std::vector<PlotPoint> points) {
    return {PlotShape::Kind::Polyline, colour, std::move(points), {}, 0};
}

void addOutline(PlotScene& scene, zeph::platform::COLORREF colour, int left, int top, int right, int bottom) {
    scene.push_back(fillRect(colour, left, top, right, top + 1));
    scene.push_back(fillRect(colour, left, bottom - 1, right, bottom));
    scene.push_back(fillRect(colour, left, top, left + 1, bottom));
    scene.push_back(fillRect(colour, right - 1, top, right, bottom));
}

}  // namespace quorvex::console
