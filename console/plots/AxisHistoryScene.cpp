#include "console/plots/AxisHistoryScene.h"

#include "console/plots/RingTrace.h"

using zeph::platform::COLORREF;
using zeph::platform::RGB;

namespace quorvex::console {

namespace {

constexpr int Inset = 2;

struct Axis {
    COLORREF colour;
    std::int32_t PlotSample::*field;
    const wchar_t* label;
};

constexpr Axis Axes[] = {{RGB(255, 0, 0), &PlotSample::x, L"X Axis"},
                         {RGB(0, 0, 255), &PlotSample::y, L"Y Axis"},
                         {RGB(0, 255, 0), &PlotSample::z, L"Z Axis"}};

void addLegend(PlotScene& scene) {
    const COLORREF box = RGB(4, 55, 36);
    scene.push_back(fillRect(box, 7, 7, 68, 54));
    addOutline(scene, RGB(15, 70, 46), 7, 7, 68, 54);
    addOutline(scene, RGB(20, 83, 55), 8, 8, 67, 53);
    addOutline(scene, RGB(15, 70, 46), 9, 9, 66, 52);
    for (int i = 0; i < 3; ++i) {
        scene.push_back(polyline(Axes[i].colour, {{13, 18 + 12 * i}, {28, 18 + 12 * i}}));
        scene.push_back({PlotShape::Kind::Text, RGB(253, 253, 253), {{33, 12 + 12 * i}}, Axes[i].label, box});
    }
}

}  // namespace

PlotScene axisHistoryBackground(const FrameColours& colours, int width, int height) {
    PlotScene scene;
    addBackground(scene, width, height, colours, width - Inset);
    return scene;
}

PlotScene axisHistoryScene(const AxisHistoryModel& model, const PlotContext& context, int width, int height) {
    PlotScene scene;

    const ChannelRecord* active = model.activeTransmitter();
    if (active != nullptr) {
        const bool magnetic = *active->kind == ChannelKind::Magnetic;
        const int step = active->kind->width();
        const int offset = magnetic ? step / 2 + 3 : 4;
        const VerticalScale scale = magnetic ? magneticScale(context.gain) : levelScale();
        const RingWalk walk{model.ring(), width - model.ring().margin() - offset, step};
        for (const Axis& axis : Axes) {
            auto field = [&axis](const PlotSample& s) { return s.*axis.field; };
            std::vector<PlotPoint> points = tracePoints(walk, field, scale, height, false, Inset);
            if (points.size() > 1) {
                scene.push_back(polyline(axis.colour, std::move(points)));
            }
        }
    }
    addLegend(scene);
    return scene;
}

}  // namespace quorvex::console
