#include "console/plots/PlotBackground.h"

using zeph::platform::COLORREF;
using zeph::platform::RGB;

namespace quorvex::console {

namespace {

constexpr int GridStep = 20;
constexpr int Inset = 2;

// A rectangle's outline, top and left in one colour, bottom and right in the other.
void add3dFrame(PlotScene& scene, int left, int top, int right, int bottom, COLORREF topLeft,
                COLORREF bottomRight) {
    scene.push_back(fillRect(topLeft, left, top, right - 1, top + 1));
    scene.push_back(fillRect(topLeft, left, top, left + 1, bottom - 1));
    scene.push_back(fillRect(bottomRight, right - 1, top, right, bottom));
    scene.push_back(fillRect(bottomRight, left, bottom - 1, right, bottom));
}

}  // namespace

std::vector<int> latticePositions(int from, int to) {
    std::vector<int> positions;
    const int usable = to - from;
    if (usable < GridStep) {
        return positions;
    }
    const int remainder = usable % GridStep;
    const int first = from + (remainder + 1) / 2 + GridStep / 2;
    for (int i = 0; i < usable / GridStep; ++i) {
        positions.push_back(first + i * GridStep);
    }
    return positions;
}

void addBackground(PlotScene& scene, int width, int height, const FrameColours& colours, int gridRight) {
    scene.push_back(fillRect(RGB(0, 0, 0), 0, 0, width, height));
    add3dFrame(scene, 0, 0, width, height, colours.shadow, colours.highlight);
    add3dFrame(scene, 1, 1, width - 1, height - 1, colours.darkShadow, colours.light);
    const COLORREF dot = RGB(0x3D, 0x45, 0x56);
    const std::vector<int> rows = latticePositions(Inset, height - Inset);
    for (const int x : latticePositions(Inset, gridRight)) {
        for (const int y : rows) {
            scene.push_back(fillRect(dot, x, y, x + 2, y + 2));
        }
    }
}

void addScaleStrip(PlotScene& scene, int width, int height) {
    const int left = width - 23;
    const int right = width - Inset;
    scene.push_back(fillRect(RGB(0x30, 0x38, 0x47), left, Inset, right, height - Inset));
    for (const int y : latticePositions(Inset, height - Inset)) {
        scene.push_back(fillRect(RGB(0x3B, 0x45, 0x56), left, y, right, y + 1));
        scene.push_back(fillRect(RGB(0, 0, 0), left + 1, y + 1, right, y + 2));
    }
}

}  // namespace quorvex::console
