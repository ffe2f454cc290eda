#include "console/widgets/LogTab.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
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

LogTab::LogTab(QWidget* parent) : QWidget(parent), edit_(new QTextEdit(this)) {
    edit_->setReadOnly(true);
    edit_->setUndoRedoEnabled(false);
    edit_->setAccessibleName(QStringLiteral("Log"));
    // Read-only: Tab moves on to the next control instead of being swallowed.
    edit_->setTabChangesFocus(true);
    // Every line ends with its line break, so the document holds one empty block beyond them.
    edit_->document()->setMaximumBlockCount(MaxLines + 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 2, 2);
    layout->addWidget(edit_);
}

void LogTab::append(const QString& text, const QColor& colour) {
    QTextCursor cursor(edit_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(logTimePrefix() + text, format);
    edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
}

void LogTab::clear() {
    edit_->clear();
}

QString LogTab::plainText() const {
    return edit_->toPlainText();
}

}  // namespace quorvex::console
