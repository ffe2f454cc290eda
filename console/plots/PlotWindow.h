#pragma once

#include "console/plots/PlotBackground.h"
#include "console/plots/PlotContext.h"
#include "console/plots/PlotImage.h"
#include "console/plots/RepaintPacer.h"

#include <QWidget>

#include <string>

class DeviceState;

namespace quorvex::console {

// What both plot windows share: they read the unit's state when they paint, keep their background
// off screen, and repaint at the screen's pace however often their content changes.
class PlotWindow : public QWidget {
    Q_OBJECT
public:
    // Asks for a repaint after the content or the unit's state changed.
    void refresh();
    // Draws the whole picture again, background and content, from the unit's state now.
    void redraw();

protected:
    // `state` is the unit's state read when painting (may be null: nothing connected).
    PlotWindow(const DeviceState* state, QWidget* parent);

    const DeviceState* state() const { return state_; }
    // What lies under the content: drawn again only when the size or the colours change.
    virtual PlotScene background(const FrameColours& colours, int width, int height) = 0;
    // The content for a window of that size.
    virtual PlotScene scene(const PlotContext& context, int width, int height) = 0;
    // What the plot shows, in words, for screen readers.
    virtual std::string description(const PlotContext& context) const = 0;

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const DeviceState* state_;
    PlotImage image_;
    RepaintPacer pacer_;
};

}  // namespace quorvex::console
