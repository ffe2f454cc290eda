#pragma once

#include <QColor>
#include <QWidget>

class QTextEdit;

namespace quorvex::console {

// "[" + the local time in the user's format + "] ", the start of every log-tab line.
QString logTimePrefix();

// The "Log" tab: what happened to the unit, one time-stamped line per event. A day of events
// must not exhaust memory, so the tab keeps the newest MaxLines lines and lets older ones go
// (about a megabyte of text at most); Clear and Connect empty it.
class LogTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxLines = 10000;

    explicit LogTab(QWidget* parent = nullptr);

    // Appends the time prefix and the text (which ends with its line break) in that colour, and
    // scrolls to the end.
    void append(const QString& text, const QColor& colour);
    void clear();
    // The whole text, for saving.
    QString plainText() const;

private:
    QTextEdit* edit_;
};

}  // namespace quorvex::console
