#include "console/widgets/ChannelSelector.h"

#include "console/widgets/ChannelItemPainter.h"
#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QWheelEvent>

namespace quorvex::console {

namespace {

constexpr int AutoSelectId = 0;

const ChannelRecord& autoSelectRow() {
    return *ChannelRegistry::find(AutoSelectId);
}

// Draws the list's items as swatch and name.
class ChannelItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const ChannelRecord* row = ChannelRegistry::find(index.data(Qt::UserRole).toInt());
        if (row == nullptr) {
            return;
        }
        ChannelItemLook look;
        look.selected = (option.state & QStyle::State_Selected) != 0;
        look.enabled = (option.state & QStyle::State_Enabled) != 0;
        look.focused = (option.state & QStyle::State_HasFocus) != 0;
        paintChannelItem(*painter, option.rect, *row, option.palette, look);
    }
};

}  // namespace

ChannelSelector::ChannelSelector(const DeviceState* state, QWidget* parent)
    : QComboBox(parent), state_(state), shownMode_(&RecordMode::Automatic), shownChannel_(&autoSelectRow()) {
    setItemDelegate(new ChannelItemDelegate(this));
    for (const auto& [id, row] : ChannelRegistry::all()) {
        addItem(QString::fromStdWString(row.name), id);
    }
    setCurrentIndex(0);
    // A combo box takes focus from the wheel by default, and then the same turn picks a channel.
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, &ChannelSelector::onActivated);
}

void ChannelSelector::show(const RecordMode& mode, const ChannelRecord& channel) {
    const bool changed = !(mode == *shownMode_) || channel.id != shownChannel_->id;
    if (changed) {
        shownMode_ = RecordMode::find(mode.value());
        shownChannel_ = ChannelRegistry::find(channel.id);
        if (shownMode_ == nullptr || shownChannel_ == nullptr) {
            shownMode_ = &RecordMode::Automatic;
            shownChannel_ = &autoSelectRow();
        }
    }
    if (listOpen_) {
        pendingMode_ = mode == RecordMode::Automatic ? &RecordMode::Automatic : &RecordMode::Manual;
        pendingChannel_ = ChannelRegistry::find(channel.id);
        return;
    }
    // The unit's state is shown on every refresh; repaint only what changed.
    if (changed || currentIndex() != findData(shownItemId())) {
        selectShown();
    }
}

void ChannelSelector::reset() {
    shownMode_ = &RecordMode::Automatic;
    shownChannel_ = &autoSelectRow();
    selectShown();
}

int ChannelSelector::shownItemId() const {
    return *shownMode_ == RecordMode::Automatic ? AutoSelectId : shownChannel_->id;
}

void ChannelSelector::selectShown() {
    setCurrentIndex(findData(shownItemId()));
    update();
}

void ChannelSelector::onActivated(int index) {
    pendingChannel_ = index < 0 ? nullptr : ChannelRegistry::find(itemData(index).toInt());
    pendingMode_ = pendingChannel_ != nullptr && *pendingChannel_->kind == ChannelKind::Auto
                       ? &RecordMode::Automatic
                       : &RecordMode::Manual;
    // The display keeps showing what the unit uses until it answers.
    if (state_ != nullptr) {
        const ChannelRecord* active = state_->activeChannel();
        show(state_->autoSelect() ? RecordMode::Automatic : RecordMode::Manual,
             active != nullptr ? *active : autoSelectRow());
    } else {
        selectShown();
    }
    emit choiceMade();
}

void ChannelSelector::showPopup() {
    listOpen_ = true;
    QComboBox::showPopup();
}

void ChannelSelector::hidePopup() {
    listOpen_ = false;
    QComboBox::hidePopup();
}

void ChannelSelector::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void ChannelSelector::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const ChannelRecord* row = ChannelRegistry::find(currentData().toInt());
    if (row == nullptr) {
        return;
    }
    ChannelItemLook look;
    look.selected = hasFocus() && !listOpen_;
    look.enabled = isEnabled();
    const bool unitPicks = *shownMode_ == RecordMode::Automatic && shownChannel_->id != AutoSelectId;
    look.unitChoice = unitPicks ? shownChannel_ : nullptr;
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    paintChannelItem(painter, field, *row, palette(), look);
}

}  // namespace quorvex::console
