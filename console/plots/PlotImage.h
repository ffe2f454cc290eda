#pragma once

#include "console/plots/PlotShape.h"

#include <QImage>

#include <functional>

class QWidget;

namespace quorvex::console {

// The off-screen picture of a plot: drawn again only when its content changed or the widget's
// size or pixel ratio did, and copied to the screen in one operation.
class PlotImage {
public:
    using SceneBuilder = std::function<PlotScene(int width, int height)>;

    void invalidate() { dirty_ = true; }
    // The current picture for the widget, rebuilt through `build` when needed.
    const QImage& image(const QWidget& widget, const SceneBuilder& build);

private:
    QImage image_;
    bool dirty_ = true;
};

}  // namespace quorvex::console
