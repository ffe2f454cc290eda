// TelvaneDlg: what the console's rules show — the message pane, boxes, the wait state, log lines.
#include "console/StatusPanes.h"
#include "console/TelvaneDlg.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTextEdit>

namespace quorvex::console {

QString TelvaneDlg::messageText() const {
    return messageText_;
}

QString TelvaneDlg::statusText() const {
    return statusText_->text();
}

QString TelvaneDlg::logText() const {
    return logTab_->toPlainText();
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
    logTab_->moveCursor(QTextCursor::End);
    logTab_->insertPlainText(QStringLiteral("[%1] %2").arg(
        QString::fromStdString(clockText(std::time(nullptr))), QString::fromStdString(text)));
    logTab_->verticalScrollBar()->setValue(logTab_->verticalScrollBar()->maximum());
}

void TelvaneDlg::connectionEnded(ConnectionOutcome, const std::string&) {
    // The window shows the end of a connection through the boxes and panes already.
}

}  // namespace quorvex::console
