#pragma once

#include "console/plots/PlotShape.h"

#include <QImage>

#include <functional>

class QPainter;
class QWidget;

namespace quorvex::console {

// The off-screen picture of a plot's background (frame, grid), drawn again only when the widget's
// size, pixel ratio or colours change. Each paint copies it to the screen in one operation and
// draws the content over it there: the content changes with every paint on a stream, and drawing
// it into a copy of the background first cost a whole picture's copy per paint.
class PlotImage {
public:
    using SceneBuilder = std::function<PlotScene(int width, int height)>;

    void invalidateBackground() { background_ = QImage(); }
    // Paints the background, rebuilt through its builder when needed, then the content.
    void paint(QPainter& painter, const QWidget& widget, const SceneBuilder& background,
               const SceneBuilder& content);

private:
    QImage background_;
};

}  // namespace quorvex::console
