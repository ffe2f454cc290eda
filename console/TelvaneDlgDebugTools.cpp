// TelvaneDlg: the debug tools of the "&Debug" menu (with "-debug"): the serial settings, the
// debug console and its filter, and a forced redraw of the plots.
#include "console/EntryTrace.h"
#include "console/TelvaneDlg.h"
#include "console/plots/AxisHistoryWnd.h"
#include "console/plots/HistoryWnd.h"
#include "console/resources/ConsoleIcon.h"
#include "discovery/SerialSettingsDlg.h"

namespace quorvex::console {

using zeph::windows::logging::LogConsoleListener;
using zeph::windows::logging::LogFilterOptionsDlg;

void TelvaneDlg::OnSerial() {
    entryTrace("TelvaneDlg::OnSerial");
    zeph::windows::discovery::SerialSettingsDlg dialog(this);
    dialog.setWindowIcon(consoleIcon(QStringLiteral("serial")));
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
    if (consoleListener_ != nullptr) {
        closeDebugTools();
    } else {
        // The console shows no text cursor: it is read-only.
        auto console = std::make_unique<LogConsoleListener>();
        if (console->open()) {
            consoleListener_ = std::move(console);
        }
    }
    refreshCommandState();
}

void TelvaneDlg::OnViewFilter() {
    entryTrace("TelvaneDlg::OnViewFilter");
    if (consoleListener_ == nullptr) {
        return;
    }
    if (filterDlg_ != nullptr) {
        closeFilterDialog();
    } else {
        filterDlg_ = std::make_unique<LogFilterOptionsDlg>(this, consoleListener_.get());
        filterDlg_->setWindowIcon(consoleIcon(QStringLiteral("filter")));
        // Closed by the operator (its close box): gone once its signal has returned, so that the
        // next View Filter opens it again.
        connect(filterDlg_.get(), &QDialog::finished, this, [this] {
            filterDlg_.release()->deleteLater();
            refreshCommandState();
        });
        filterDlg_->show();
    }
    refreshCommandState();
}

void TelvaneDlg::OnForceRedraw() {
    entryTrace("TelvaneDlg::OnForceRedraw");
    historyWindow_->redraw();
    axisHistoryWindow_->redraw();
}

bool TelvaneDlg::debugConsoleOpen() const {
    return consoleListener_ != nullptr;
}

bool TelvaneDlg::filterDialogOpen() const {
    return filterDlg_ != nullptr;
}

void TelvaneDlg::closeDebugTools() {
    entryTrace("TelvaneDlg::closeDebugTools");
    closeFilterDialog();
    consoleListener_.reset();
}

void TelvaneDlg::clearDebugConsole() {
    entryTrace("TelvaneDlg::clearDebugConsole");
    if (consoleListener_ != nullptr && consoleListener_->isOpen()) {
        consoleListener_->clear();
    }
}

void TelvaneDlg::closeFilterDialog() {
    if (filterDlg_ != nullptr) {
        filterDlg_->disconnect(this);
        filterDlg_.reset();
    }
}

}  // namespace quorvex::console
