#include "console/widgets/LogTab.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <ctime>

namespace quorvex::console {

QString logTimePrefix() {
    // strftime's "%X" follows the user's locale (the application set LC_TIME from it).
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64] = {};
    std::strftime(text, sizeof text, "%X", &local);
    return QStringLiteral("[%1] ").arg(QString::fromLocal8Bit(text));
}

LogTab::LogTab(QWidget* parent)
    : QWidget(parent), edit_(new QPlainTextEdit(this)), appendTimer_(new QTimer(this)) {
    edit_->setReadOnly(true);
    edit_->setUndoRedoEnabled(false);
    edit_->setAccessibleName(QStringLiteral("Log"));
    // Read-only: Tab moves on to the next control instead of being swallowed.
    edit_->setTabChangesFocus(true);
    // Every line ends with its line break, so the document holds one empty block beyond them.
    edit_->setMaximumBlockCount(MaxLines + 1);
    appendTimer_->setSingleShot(true);
    appendTimer_->setInterval(AppendIntervalMs);
    connect(appendTimer_, &QTimer::timeout, this, [this] { showPending(); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 2, 2);
    layout->addWidget(edit_);
}

void LogTab::append(const QString& text, const QColor& colour) {
    pending_.push_back({logTimePrefix() + text, colour});
    // More than a screenful of lines would only be dropped again on the way in.
    if (pending_.size() > static_cast<std::size_t>(MaxLines)) {
        pending_.pop_front();
    }
    if (!appendTimer_->isActive()) {
        appendTimer_->start();
    }
}

void LogTab::showPending() const {
    if (pending_.empty()) {
        return;
    }
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QTextCharFormat format;
    QString run;
    for (const Line& line : pending_) {
        if (line.colour != format.foreground().color() && !run.isEmpty()) {
            cursor.insertText(run, format);
            run.clear();
        }
        format.setForeground(line.colour);
        run += line.text;
    }
    cursor.insertText(run, format);
    // The oldest lines go here, in one removal.
    cursor.endEditBlock();
    pending_.clear();
    edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
}

void LogTab::clear() {
    pending_.clear();
    edit_->clear();
}

QString LogTab::plainText() const {
    showPending();
    return edit_->toPlainText();
}

}  // namespace quorvex::console
