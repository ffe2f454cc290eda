#include "support/logconsole/LogConsoleWindow.h"

#include "support/logconsole/ConsoleColor.h"

#include <QCloseEvent>
#include <QColor>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

#include <utility>

namespace zeph::windows::logging {

namespace {

constexpr std::uint16_t kDefaultAttribute = 0x07;

QColor colourOf(platform::COLORREF colour) {
    return QColor(platform::GetRValue(colour), platform::GetGValue(colour), platform::GetBValue(colour));
}

QTextCharFormat formatOf(std::uint16_t attribute) {
    QTextCharFormat format;
    format.setForeground(colourOf(consoleForegroundColour(attribute)));
    format.setBackground(colourOf(consoleBackgroundColour(attribute)));
    return format;
}

}  // namespace

LogConsoleWindow::LogConsoleWindow() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
    setWindowTitle(QStringLiteral("Log"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // Long lines wrap at the window's width, as a console wraps them at its width.
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colourOf(consoleBackgroundColour(kDefaultAttribute)));
    colours.setColor(QPalette::Text, colourOf(consoleForegroundColour(kDefaultAttribute)));
    setPalette(colours);
    resize(800, 400);

    appendTimer_.setSingleShot(true);
    appendTimer_.setInterval(kAppendIntervalMs);
    connect(&appendTimer_, &QTimer::timeout, this, &LogConsoleWindow::appendPending);
}

void LogConsoleWindow::appendLine(std::uint16_t attribute, QString line) {
    // Lines that could not be shown before they scroll away are not kept either.
    if (pending_.size() == static_cast<std::size_t>(kMaxLines)) {
        pending_.pop_front();
    }
    pending_.push_back({attribute, std::move(line)});
    if (!appendTimer_.isActive()) {
        appendTimer_.start();
    }
}

void LogConsoleWindow::clearLines() {
    pending_.clear();
    appendTimer_.stop();
    clear();
}

void LogConsoleWindow::appendPending() {
    if (pending_.empty()) {
        return;
    }
    QScrollBar* scroll = verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // One insertion per run of lines of the same colour.
    for (auto run = pending_.begin(); run != pending_.end();) {
        QString text;
        auto next = run;
        for (; next != pending_.end() && next->attribute == run->attribute; ++next) {
            text += next->text;
        }
        cursor.insertText(text, formatOf(run->attribute));
        run = next;
    }
    dropOldestLines(cursor);
    cursor.endEditBlock();
    pending_.clear();
    if (following) {
        scroll->setValue(scroll->maximum());
    }
}

void LogConsoleWindow::dropOldestLines(QTextCursor& cursor) {
    const int excess = document()->blockCount() - kMaxLines;
    if (excess <= 0) {
        return;
    }
    // Selected by position in one step: the document's own maximumBlockCount moves a cursor block
    // by block, laying out (shaping) every line it is about to throw away.
    cursor.setPosition(0);
    cursor.setPosition(document()->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void LogConsoleWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace zeph::windows::logging
