#pragma once

#include <QColor>
#include <QWidget>

#include <deque>

class QPlainTextEdit;
class QTimer;

namespace quorvex::console {

// "[" + the local time in the user's format + "] ", the start of every log-tab line.
QString logTimePrefix();

// The "Log" tab: what happened to the unit, one time-stamped line per event. A day of events
// must not exhaust memory, so the tab keeps the newest MaxLines lines and lets older ones go
// (about a megabyte of text at most); Clear and Connect empty it. A flood of events must not
// starve the window: lines are stamped when they come and put on screen together a few times a
// second, in a plain-text document that drops its oldest lines by whole blocks.
class LogTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxLines = 10000;
    static constexpr int AppendIntervalMs = 50;

    explicit LogTab(QWidget* parent = nullptr);

    // Appends the time prefix and the text (which ends with its line break) in that colour, and
    // scrolls to the end.
    void append(const QString& text, const QColor& colour);
    void clear();
    // The whole text, for saving (lines not yet on screen included).
    QString plainText() const;

private:
    struct Line {
        QString text;
        QColor colour;
    };
    // Puts the lines that came since the last time on screen, in one edit.
    void showPending() const;

    QPlainTextEdit* edit_;
    QTimer* appendTimer_;
    mutable std::deque<Line> pending_;
};

}  // namespace quorvex::console
