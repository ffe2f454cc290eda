// TelvaneDlg: the debug tools of the "&Debug" menu (with "-debug"): the serial settings, the
// debug console and its filter, and a forced redraw of the plots.
#include "console/EntryTrace.h"
#include "console/TelvaneDlg.h"
#include "discovery/SerialSettingsDlg.h"

namespace quorvex::console {

void TelvaneDlg::OnSerial() {
    entryTrace("TelvaneDlg::OnSerial");
    zeph::windows::discovery::SerialSettingsDlg dialog(this);
    dialog.setSerialSettings(serialSettings_);
    dialog.setPresetPort(serialSettings_.portNumber());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    zeph::windows::communication::SerialSettings chosen = dialog.serialSettings();
    if (chosen.portNumber() == -1) {
        // "DISABLED" chooses no port: there is nothing to connect to.
        chosen.setPortNumber(0);
        chosen.setDevicePath(std::wstring());
    }
    setSerialSettings(chosen);
}

void TelvaneDlg::OnViewConsole() {
    entryTrace("TelvaneDlg::OnViewConsole");
}

void TelvaneDlg::OnViewFilter() {
    entryTrace("TelvaneDlg::OnViewFilter");
}

void TelvaneDlg::OnForceRedraw() {
    entryTrace("TelvaneDlg::OnForceRedraw");
}

bool TelvaneDlg::debugConsoleOpen() const {
    return false;
}

bool TelvaneDlg::filterDialogOpen() const {
    return false;
}

void TelvaneDlg::closeDebugTools() {}

}  // namespace quorvex::console
