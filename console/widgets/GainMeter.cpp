#include "console/widgets/GainMeter.h"

#include "console/resources/ConsoleIcon.h"

#include <QEvent>
#include <QPainter>

namespace quorvex::console {

namespace {

// Segments sit 12 pixels apart; each picture fills the lower 10 of its 12, so the top segment of
// a 194-pixel meter ends at its top edge.
constexpr int SegmentPitch = 12;
constexpr int SegmentHeight = 10;
constexpr int BottomGap = 16;

QString pictureName(SegmentPicture picture) {
    switch (picture) {
        case SegmentPicture::Gain:
            return QStringLiteral("segment-gain");
        case SegmentPicture::Clipping:
            return QStringLiteral("segment-clipping");
        case SegmentPicture::Unlit:
            break;
    }
    return QStringLiteral("segment-unlit");
}

}  // namespace

SegmentPicture segmentPicture(int segment, int gain, int clipping) {
    if (segment < gain) {
        return SegmentPicture::Gain;
    }
    return segment < gain + clipping ? SegmentPicture::Clipping : SegmentPicture::Unlit;
}

GainMeter::GainMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Gain meter"));
    setAccessibleDescription(QStringLiteral("No gain"));
}

bool GainMeter::showGain(int gain, int clipping) {
    const bool fits = gain >= 0 && clipping >= 0 && gain + clipping <= Segments;
    if (!fits || (gain == gain_ && clipping == clipping_)) {
        return false;
    }
    setCounts(gain, clipping);
    return true;
}

void GainMeter::clear() {
    if (gain_ != 0 || clipping_ != 0) {
        setCounts(0, 0);
    }
}

void GainMeter::setCounts(int gain, int clipping) {
    gain_ = gain;
    clipping_ = clipping;
    setAccessibleDescription(
        gain == 0 && clipping == 0
            ? QStringLiteral("No gain")
            : QStringLiteral("Gain %1 of %2, clipping %3").arg(gain).arg(Segments).arg(clipping));
    dirty_ = true;
    update();
}

void GainMeter::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        dirty_ = true;
    }
    QWidget::changeEvent(event);
}

const QPixmap& GainMeter::picture() {
    const qreal ratio = devicePixelRatioF();
    if (!dirty_ && picture_.size() == size() * ratio) {
        return picture_;
    }
    picture_ = QPixmap(size() * ratio);
    picture_.setDevicePixelRatio(ratio);
    picture_.fill(palette().color(QPalette::Window));
    QPainter painter(&picture_);
    for (int i = 0; i < Segments; ++i) {
        const int top = height() - BottomGap - SegmentPitch * i + (SegmentPitch - SegmentHeight);
        const QIcon icon = consoleIcon(pictureName(segmentPicture(i, gain_, clipping_)));
        icon.paint(&painter, QRect(0, top, width(), SegmentHeight), Qt::AlignCenter, QIcon::Normal);
    }
    dirty_ = false;
    return picture_;
}

void GainMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture());
}

}  // namespace quorvex::console
