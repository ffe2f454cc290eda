// TelvaneDlg: what the console's rules show — the message pane, boxes, the wait state, log lines.
#include "console/TelvaneDlg.h"
#include "console/widgets/LogTab.h"

#include <QApplication>
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
    if (!waiting_) {
        waiting_ = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        setEnabled(false);
    }
}

void TelvaneDlg::endWait() {
    if (waiting_ && !closing_) {
        waiting_ = false;
        QApplication::restoreOverrideCursor();
        setEnabled(true);
    }
}

void TelvaneDlg::appendLogLine(const std::string& text) {
    logTab_->append(QString::fromStdString(text), palette().color(QPalette::WindowText));
}

void TelvaneDlg::connectionEnded(ConnectionOutcome outcome, const std::string& reason) {
    // The window shows the end of a connection through the boxes and panes already.
    if (journalFeed_) {
        journalFeed_->onConnectionEnded(outcome, reason);
    }
}

}  // namespace quorvex::console
