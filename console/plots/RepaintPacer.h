#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace quorvex::console {

// Turns any number of repaint requests into at most one update() of the widget per frame
// interval, so a fast stream is painted at the screen's pace, not once per sample.
class RepaintPacer : public QObject {
    Q_OBJECT
public:
    // About 30 paints a second: smooth for a strip chart, and each paint re-renders the ring, which
    // at 60 a second cost the Axis History tab about 4 % of a core at the line's limit.
    static constexpr int FrameIntervalMs = 33;

    explicit RepaintPacer(QWidget* widget);
    void request();

private:
    QTimer timer_;
};

}  // namespace quorvex::console
