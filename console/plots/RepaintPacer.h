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
    // About 60 paints a second.
    static constexpr int FrameIntervalMs = 16;

    explicit RepaintPacer(QWidget* widget);
    void request();

private:
    QTimer timer_;
};

}  // namespace quorvex::console
