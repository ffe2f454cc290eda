#pragma once

#include <QAbstractSpinBox>

#include <functional>
#include <optional>

namespace quorvex::console {

// The gain's up/down arrows: the up arrow raises the unit's gain, the down arrow lowers it. The
// control shows the gain the unit last reported; Tab reaches it, and Up/Down then step it.
class GainSpin final : public QAbstractSpinBox {
    Q_OBJECT
public:
    // delta -1 is the up arrow, +1 the down arrow.
    GainSpin(std::function<void(int delta)> onDelta, QWidget* parent);

    void stepBy(int steps) override;
    // The unit's gain, or nothing (no unit).
    void showGain(std::optional<int> gain);

protected:
    StepEnabled stepEnabled() const override;
    // A turn of the wheel over the arrows is the operator scrolling past, not a command: the
    // control takes focus only by Tab, and the wheel never changes the unit's gain.
    void wheelEvent(QWheelEvent* event) override;

private:
    std::function<void(int)> onDelta_;
};

}  // namespace quorvex::console
