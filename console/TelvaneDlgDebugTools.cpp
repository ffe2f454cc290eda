// TelvaneDlg: the debug tools of the "&Debug" menu (with "-debug"): the serial settings, the
// debug console and its filter, and a forced redraw of the plots.
#include "console/EntryTrace.h"
#include "console/TelvaneDlg.h"

namespace quorvex::console {

void TelvaneDlg::OnSerial() {
    entryTrace("TelvaneDlg::OnSerial");
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
