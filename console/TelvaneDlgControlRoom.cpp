// TelvaneDlg: the control-room link's pane and its settings dialog.
#include "console/ControlRoomDlg.h"
#include "console/ControlRoomLink.h"
#include "console/TelvaneDlg.h"
#include "device/IUserInterface.h"
#include "support/logging/LogBeacon.h"

#include <QStatusBar>

namespace quorvex::console {

namespace {

using namespace zeph::windows::logging;

}  // namespace

void TelvaneDlg::createControlRoomPane() {
    QStatusBar* bar = statusBar();
    controlRoom_ = new ControlRoomLink(*device_.getDeviceState(), bar);
    controlRoom_->setParent(this);
    bar->addPermanentWidget(controlRoom_->pane());
    connect(controlRoom_, &ControlRoomLink::errorSeen, this,
            [this](const QString& text) { setMessageText(text); });
    controlRoom_->apply(ControlRoomSettings::load());
}

void TelvaneDlg::OnControlRoom() {
    LogBeacon::log("TelvaneDlg::OnControlRoom", DebugLevel1, L" ");
    ControlRoomDlg dialog(ControlRoomSettings::load(), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const ControlRoomSettings settings = dialog.settings();
    if (!settings.save()) {
        setMessageText(QStringLiteral("Control room link: the settings cannot be saved"));
    }
    controlRoom_->apply(settings);
}

}  // namespace quorvex::console
