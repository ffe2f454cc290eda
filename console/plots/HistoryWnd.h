#pragma once

#include "console/plots/HistoryModel.h"
#include "console/plots/PlotImage.h"
#include "console/plots/RepaintPacer.h"

#include <QWidget>

class DeviceState;

namespace quorvex::console {

// The transmitter level plot beside the gain meter. Every sample enters the ring at once; the
// window paints at the screen's pace from a cached picture.
class HistoryWnd : public QWidget {
    Q_OBJECT
public:
    // `state` is the unit's state the plot reads when it paints (may be null: nothing connected).
    explicit HistoryWnd(const DeviceState* state, QWidget* parent = nullptr);

    // Sizes the ring for `width` pixels (the window's own width when 0) and empties it.
    void reset(int width = 0);
    void addSample(const StreamingSample& sample);
    // The current value display, without adding to the history (the stream is not playing).
    void setCurrentSample(const StreamingSample& sample);
    void setActiveTransmitter(const ChannelRecord* row);
    void setMode(const ChannelKind& kind);
    // Asks for a repaint after the unit's state changed.
    void refresh();

    const HistoryModel& model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DeviceState* state_;
    HistoryModel model_;
    PlotImage image_;
    RepaintPacer pacer_;
};

}  // namespace quorvex::console
