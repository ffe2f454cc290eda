#pragma once

#include <QPixmap>
#include <QWidget>

namespace quorvex::console {

// The picture of one of the meter's 16 segments, counted from the bottom.
enum class SegmentPicture { Gain, Clipping, Unlit };
SegmentPicture segmentPicture(int segment, int gain, int clipping);

// The unit's gain as 16 segments from the bottom: gain segments, then clipping, then unlit.
class GainMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int Segments = 16;

    explicit GainMeter(QWidget* parent = nullptr);

    // Shows the unit's gain event. A repeat, or counts that do not fit the 16 segments, change
    // nothing; returns whether the meter changed.
    bool showGain(int gain, int clipping);
    // Back to no gain (a disconnection).
    void clear();

    int gain() const { return gain_; }
    int clipping() const { return clipping_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setCounts(int gain, int clipping);
    const QPixmap& picture();

    int gain_ = 0;
    int clipping_ = 0;
    QPixmap picture_;  // the whole meter, drawn again only when the counts, size or palette change
    bool dirty_ = true;
};

}  // namespace quorvex::console
