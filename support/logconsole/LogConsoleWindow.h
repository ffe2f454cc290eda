#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <QTimer>

#include <cstdint>
#include <deque>

namespace zeph::windows::logging {

// The debug console's window: a top-level, read-only text window titled "Log", white on black,
// without a close button. Lines are collected as they come and appended together at most every
// kAppendIntervalMs, in one edit block, so that a stream of thousands of entries a second costs
// the window thread a few appends a second. The window keeps the newest kMaxLines lines (a
// Windows console keeps a screen buffer of about that many); older ones scroll away for good.
class LogConsoleWindow : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int kMaxLines = 5000;
    static constexpr int kAppendIntervalMs = 50;

    LogConsoleWindow();

    // Queues one line (ending with a line feed) in the colours of the console attribute.
    void appendLine(std::uint16_t attribute, QString line);
    // Blanks the window, lines not yet shown included.
    void clearLines();
    // Shows the queued lines now.
    void appendPending();

    std::size_t pendingLines() const { return pending_.size(); }

protected:
    // Closing the console must not be possible from the console itself: its owner closes it.
    void closeEvent(QCloseEvent* event) override;

private:
    struct Line {
        std::uint16_t attribute;
        QString text;
    };

    void dropOldestLines(QTextCursor& cursor);

    std::deque<Line> pending_;
    QTimer appendTimer_;
};

}  // namespace zeph::windows::logging
