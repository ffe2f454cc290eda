#pragma once

#include "console/plots/AxisHistoryModel.h"
#include "console/plots/PlotImage.h"
#include "console/plots/RepaintPacer.h"

#include <QWidget>

class DeviceState;

namespace quorvex::console {

// The X/Y/Z plot of the unit's magnetic sensor on the "Axis History" tab. Every sample enters the
// ring at once; the window paints at the screen's pace from a cached picture.
class AxisHistoryWnd : public QWidget {
    Q_OBJECT
public:
    explicit AxisHistoryWnd(const DeviceState* state, QWidget* parent = nullptr);

    // Sizes the ring for `width` pixels (the window's own width when 0) and empties it.
    void reset(int width = 0);
    void addSample(const StreamingSample& sample);
    void setActiveTransmitter(const ChannelRecord* row);
    void refresh();

    const AxisHistoryModel& model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DeviceState* state_;
    AxisHistoryModel model_;
    PlotImage image_;
    RepaintPacer pacer_;
};

}  // namespace quorvex::console
