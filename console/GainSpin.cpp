#include "console/GainSpin.h"

#include <QLineEdit>
#include <QWheelEvent>

namespace quorvex::console {

GainSpin::GainSpin(std::function<void(int delta)> onDelta, QWidget* parent)
    : QAbstractSpinBox(parent), onDelta_(std::move(onDelta)) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setReadOnly(true);
    setFocusPolicy(Qt::TabFocus);
    setAlignment(Qt::AlignCenter);
}

void GainSpin::showGain(std::optional<int> gain) {
    lineEdit()->setText(gain ? QString::number(*gain) : QString());
}

void GainSpin::stepBy(int steps) {
    onDelta_(steps > 0 ? -1 : 1);
}

QAbstractSpinBox::StepEnabled GainSpin::stepEnabled() const {
    return isEnabled() ? (StepUpEnabled | StepDownEnabled) : StepNone;
}

void GainSpin::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

}  // namespace quorvex::console
