#pragma once

#include <QAbstractSpinBox>

#include <functional>

namespace quorvex::console {

// The gain's up/down arrows: the up arrow raises the unit's gain, the down arrow lowers it;
// the control itself holds no value.
class GainSpin final : public QAbstractSpinBox {
    Q_OBJECT
public:
    // delta -1 is the up arrow, +1 the down arrow.
    GainSpin(std::function<void(int delta)> onDelta, QWidget* parent);

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    // A turn of the wheel over the arrows is the operator scrolling past, not a command: the
    // control never takes focus, so the wheel never changes the unit's gain.
    void wheelEvent(QWheelEvent* event) override;

private:
    std::function<void(int)> onDelta_;
};

}  // namespace quorvex::console
