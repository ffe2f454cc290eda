// TelvaneDlg: applying the command state to the actions and controls.
#include "console/CommandIds.h"
#include "console/CommandPrompts.h"
#include "console/GainSpin.h"
#include "console/TelvaneDlg.h"
#include "console/resources/ConsoleIcon.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QTabWidget>

namespace quorvex::console {

DialogMembers TelvaneDlg::dialogMembers() const {
    // A port chosen by number, or a device path given on the command line.
    return {serialSettings_.portNumber() != 0 || !serialSettings_.devicePath().empty(), debugConsoleOpen(),
            filterDialogOpen()};
}

void TelvaneDlg::refreshCommandState() {
    applyCommandState(commandStateOf(snapshotOf(*device_.getDeviceState()), dialogMembers()));
    refreshStatusPanes();
}

void TelvaneDlg::refreshChangedCommandState() {
    const DeviceState& unit = *device_.getDeviceState();
    const CommandState state = commandStateOf(snapshotOf(unit), dialogMembers());
    if (state != appliedState_) {
        applyCommandState(state);
    }
    if (std::tuple(unit.connectionState() == ConnectionState::Connected, deviceIsBluetooth_,
                   unit.batteryLevel(), unit.gps().flag) != appliedPaneInputs_) {
        refreshStatusPanes();
    }
}

void TelvaneDlg::applyCommandState(const CommandState& state) {
    appliedState_ = state;
    for (const auto& [id, item] : state.items) {
        if (QAction* command = action(id)) {
            command->setEnabled(item.enabled);
            command->setChecked(item.checked);
        }
    }
    gainSpin_->setEnabled(state.items.at(ID_GAIN_SPIN).enabled);
    applyImageButton(liveButton_, state.live, "live", "pause");
    // The live button's tip names what a press does now, as its picture does.
    const CommandPrompt live =
        commandPrompt(state.live.image == ButtonImage::Alternate ? ID_TRANSPORT_PAUSE : ID_TRANSPORT_LIVE);
    const QString liveTip =
        QString::fromUtf8(live.toolTip.data(), static_cast<qsizetype>(live.toolTip.size()));
    if (liveButton_->toolTip() != liveTip) {
        liveButton_->setToolTip(liveTip);
    }
    applyImageButton(stopButton_, state.stop, "stop", "stop");
    applyImageButton(recordButton_, state.record, "record", "record-stop");
    showSelector(state.selector);
    statusText_->setText(QString::fromStdString(state.statusText));
    // The tab bar repaints on every call: on a stream the state is refreshed 150 times a second.
    if (tabs_->isTabEnabled(1) != state.unitTabsEnabled) {
        tabs_->setTabEnabled(1, state.unitTabsEnabled);
        tabs_->setTabEnabled(2, state.unitTabsEnabled);
    }
}

void TelvaneDlg::applyImageButton(QAbstractButton* button, const ImageButtonState& state, const char* normal,
                                  const char* alternate) {
    const bool useAlternate = state.image == ButtonImage::Alternate;
    const QString icon = QString::fromLatin1(useAlternate ? alternate : normal);
    if (button->property("icon-name").toString() != icon) {
        button->setIcon(consoleIcon(icon));
        button->setProperty("icon-name", icon);
        button->setAccessibleName(imageButtonName(icon));
    }
    // A greyed image is the disabled look of the normal one.
    button->setEnabled(state.enabled && state.image != ButtonImage::Greyed);
}

}  // namespace quorvex::console
