#pragma once

#include "device/ChannelRecord.h"
#include "device/DeviceValueSets.h"

#include <QComboBox>

class DeviceState;

namespace quorvex::console {

// The transmitter channel: a drop-down list of the channel table, each item a colour swatch and
// a name. It always shows the unit's choice; the operator's pick becomes the pending choice, which
// the main window validates and sends, and the display follows once the unit has answered.
class ChannelSelector : public QComboBox {
    Q_OBJECT
public:
    // `state` is the unit's state the display returns to after a pick (may be null).
    explicit ChannelSelector(const DeviceState* state, QWidget* parent = nullptr);

    using QComboBox::show;
    // The unit's choice. While the list is open the display is left alone and the choice becomes
    // the pending one instead.
    void show(const RecordMode& mode, const ChannelRecord& channel);
    // Back to Automatic and "Auto Select".
    void reset();

    const RecordMode* pendingMode() const { return pendingMode_; }
    const ChannelRecord* pendingChannel() const { return pendingChannel_; }
    const RecordMode& shownMode() const { return *shownMode_; }
    const ChannelRecord& shownChannel() const { return *shownChannel_; }
    bool listOpen() const { return listOpen_; }

    void showPopup() override;
    void hidePopup() override;

signals:
    // The operator picked a channel: pendingMode and pendingChannel hold the choice.
    void choiceMade();

protected:
    void paintEvent(QPaintEvent* event) override;
    // The wheel picks a channel only on a selector the operator gave focus to: over any other it
    // is the operator scrolling past, and a pick would be sent to the unit.
    void wheelEvent(QWheelEvent* event) override;

private:
    // Selects the item of the shown mode and channel.
    void selectShown();
    // The item that stands for the shown mode and channel.
    int shownItemId() const;
    void onActivated(int index);

    const DeviceState* state_;
    const RecordMode* shownMode_;
    const ChannelRecord* shownChannel_;
    bool listOpen_ = false;
    const RecordMode* pendingMode_ = nullptr;
    const ChannelRecord* pendingChannel_ = nullptr;
};

}  // namespace quorvex::console
