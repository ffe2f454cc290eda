// TelvaneDlg: the status bar's connection, battery, GPS and clock panes and their timers.
#include "console/StatusPanes.h"
#include "console/TelvaneDlg.h"
#include "console/resources/ConsoleIcon.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "discovery/IBluetoothMgr.h"

#include <QLabel>
#include <QTimer>

namespace quorvex::console {

namespace {

constexpr int PaneSize = 16;

}  // namespace

void TelvaneDlg::refreshStatusPanes() {
    const DeviceState& state = *device_.getDeviceState();
    const bool connected = state.connectionState() == ConnectionState::Connected;
    appliedPaneInputs_ = std::tuple(connected, deviceIsBluetooth_, state.batteryLevel(), state.gps().flag);
    const bool bluetoothUnit = deviceIsBluetooth_ == 1;
    // The radio is looked for only where the pane shows it: a Bluetooth unit not connected.
    const bool radio =
        bluetoothUnit && !connected && zeph::windows::discovery::IBluetoothMgr::instance().hasRadio();
    const PaneImage connection = connectionPaneOf(connected, bluetoothUnit, radio);
    setPane(ConnectionPane, connection);

    const BatteryPaneState battery = batteryPaneOf(connected, state.batteryLevel());
    if (battery.low) {
        if (!blinkTimer_->isActive()) {
            setPane(BatteryPane, battery.image);
            blinkCounter_ = 0;
            blinkTimer_->start();
        }
    } else {
        blinkTimer_->stop();
        setPane(BatteryPane, battery.image);
    }

    const PaneImage gps = gpsPaneOf(connected, state.gps().flag);
    setPane(GpsPane, gps);
}

void TelvaneDlg::setPane(int pane, const PaneImage& image) {
    setPaneIcon(pane, image.icon);
    panes_.at(pane)->setToolTip(QString::fromStdString(image.tip));
}

void TelvaneDlg::setPaneIcon(int pane, const std::string& icon) {
    QLabel* label = panes_.at(pane);
    const QString name = QString::fromStdString(icon);
    if (label->property("icon-name").toString() != name) {
        label->setPixmap(name.isEmpty()
                             ? QPixmap()
                             : consoleIcon(name).pixmap(QSize(PaneSize, PaneSize), devicePixelRatio()));
        label->setProperty("icon-name", name);
        if (!name.isEmpty()) {
            label->setAccessibleDescription(QString::fromStdString(paneStateText(icon)));
        }
    }
}

QString TelvaneDlg::paneIcon(int pane) const {
    return panes_.at(pane)->property("icon-name").toString();
}

QString TelvaneDlg::paneTip(int pane) const {
    return panes_.at(pane)->toolTip();
}

bool TelvaneDlg::batteryBlinking() const {
    return blinkTimer_->isActive();
}

void TelvaneDlg::onClockTimer() {
    const std::time_t now = std::time(nullptr);
    clockPane_->setText(QString::fromStdString(clockText(now)));
    rules_.clockTick(now);
}

void TelvaneDlg::onBlinkTimer() {
    ++blinkCounter_;
    setPaneIcon(BatteryPane, blinkCounter_ % 2 == 1 ? "battery-low" : "");
}

}  // namespace quorvex::console
