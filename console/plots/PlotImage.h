#pragma once

#include "console/plots/PlotShape.h"

#include <QImage>

#include <functional>

class QWidget;

namespace quorvex::console {

// The off-screen picture of a plot: its background (frame, grid) drawn again only when the
// widget's size, pixel ratio or colours change; its content drawn again over a copy of it only
// when the content changed. The picture is copied to the screen in one operation.
class PlotImage {
public:
    using SceneBuilder = std::function<PlotScene(int width, int height)>;

    void invalidate() { dirty_ = true; }
    void invalidateBackground() { background_ = QImage(); }
    // The current picture for the widget, rebuilt through the builders when needed.
    const QImage& image(const QWidget& widget, const SceneBuilder& background, const SceneBuilder& content);

private:
    QImage background_;
    QImage image_;
    bool dirty_ = true;
};

}  // namespace quorvex::console
