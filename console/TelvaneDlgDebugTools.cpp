// TelvaneDlg: the debug tools of the "&Debug" menu (with "-debug"): the serial settings, the
// debug console and its filter, and a forced redraw of the plots.
#include "console/TelvaneDlg.h"
#include "console/resources/ConsoleIcon.h"
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
    LogBeacon::log("TelvaneDlg::OnViewFilter", DebugLevel1, L" ");
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
    LogBeacon::log("TelvaneDlg::OnForceRedraw", DebugLevel1, L" ");
    historyWindow_->update();
    axisHistoryTab_->update();
}

bool TelvaneDlg::debugConsoleOpen() const {
    return consoleListener_ != nullptr;
}

bool TelvaneDlg::filterDialogOpen() const {
    return filterDlg_ != nullptr;
}

void TelvaneDlg::closeDebugTools() {
    closeFilterDialog();
    consoleListener_.reset();
}

void TelvaneDlg::clearDebugConsole() {
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
