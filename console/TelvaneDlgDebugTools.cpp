// TelvaneDlg: the debug tools of the "&Debug" menu (with "-debug"): the serial settings, the
// debug console and its filter, and a forced redraw of the plots.
#include "console/TelvaneDlg.h"
#include "support/logging/LogBeacon.h"

namespace quorvex::console {

namespace {

using namespace zeph::windows::logging;

}  // namespace

void TelvaneDlg::OnSerial() {
    LogBeacon::log("TelvaneDlg::OnSerial", DebugLevel1, L" ");
}

void TelvaneDlg::OnViewConsole() {
    LogBeacon::log("TelvaneDlg::OnViewConsole", DebugLevel1, L" ");
}

void TelvaneDlg::OnViewFilter() {
    LogBeacon::log("TelvaneDlg::OnViewFilter", DebugLevel1, L" ");
}

void TelvaneDlg::OnForceRedraw() {
    LogBeacon::log("TelvaneDlg::OnForceRedraw", DebugLevel1, L" ");
}

bool TelvaneDlg::debugConsoleOpen() const {
    return false;
}

bool TelvaneDlg::filterDialogOpen() const {
    return false;
}

void TelvaneDlg::closeDebugTools() {}

}  // namespace quorvex::console
