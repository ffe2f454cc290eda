// TelvaneDlg: what the console's rules show — the message pane, boxes, the wait state, log lines.
#include "console/TelvaneDlg.h"
#include "console/widgets/LogTab.h"
#include "support/logging/LogBeacon.h"

#include <QLabel>

namespace quorvex::console {

QString TelvaneDlg::messageText() const {
    return messageText_;
}

QString TelvaneDlg::shownMessage() const {
    return messagePane_->text();
}

QString TelvaneDlg::statusText() const {
    return statusText_->text();
}

QString TelvaneDlg::logText() const {
    return logTab_->plainText();
}

void TelvaneDlg::setMessageText(const QString& text) {
    messageText_ = text;
    messagePane_->setText(text);
}

void TelvaneDlg::showStatus(const std::string& text) {
    setMessageText(QString::fromStdString(text));
}

void TelvaneDlg::showMessageBox(const std::string& text, BoxIcon icon) {
    showBox(QString::fromStdString(text), icon);
}

void TelvaneDlg::showBox(const QString& text, BoxIcon icon) {
    // Once the window is closing, nobody is there to answer.
    if (!closing_) {
        services_.boxes.show(this, text, icon);
    }
}

void TelvaneDlg::beginWait() {
    if (waiting_) {
        return;
    }
    waiting_ = true;
    // Only this window waits: its bars and controls. The dialogs and boxes it owns are windows of
    // their own, which a disabled owner would grey out with it (a box already open could then
    // never be dismissed), and the busy cursor is this window's, not the passage dialog's OK's.
    for (QWidget* part : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!part->isWindow() && part->isEnabled()) {
            part->setEnabled(false);
            waitingParts_.emplace_back(part);
        }
    }
    setCursor(Qt::WaitCursor);
}

void TelvaneDlg::endWait() {
    if (!waiting_ || closing_) {
        return;
    }
    waiting_ = false;
    for (const QPointer<QWidget>& part : waitingParts_) {
        if (part) {
            part->setEnabled(true);
        }
    }
    waitingParts_.clear();
    unsetCursor();
}

void TelvaneDlg::appendLogLine(const std::string& text) {
    // The enabled colour, whatever this window's state: a line written while it waits is read
    // long after.
    logTab_->append(QString::fromStdString(text), palette().color(QPalette::Active, QPalette::WindowText));
}

void TelvaneDlg::reportProblem(const std::string& text) {
    zeph::windows::logging::LogBeacon::log("TelvaneDlg::reportProblem", zeph::windows::logging::Error, L"%hs",
                                           text);
    showStatus(text);
    appendLogLine(text + "\n");
}

void TelvaneDlg::connectionEnded(ConnectionOutcome outcome, const std::string& reason) {
    // The window shows the end of a connection through the boxes and panes already.
    if (journalFeed_) {
        if (const std::string unshown = journalFeed_->onConnectionEnded(outcome, reason); !unshown.empty()) {
            showJournalNotice(unshown);
        }
    }
}

}  // namespace quorvex::console
