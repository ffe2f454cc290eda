#pragma once

#include <QScrollArea>

namespace quorvex::console {

// The main window's rows in a frameless scroll area: at its own size the content is laid out as
// without it, larger it grows with the window, and on a screen too small for it (200 % on a
// laptop) the window fits the screen and the content scrolls instead of hiding the status bar.
class CentralScrollArea : public QScrollArea {
    Q_OBJECT
public:
    CentralScrollArea(QWidget* content, QWidget* parent);

    // The content's own size: the window opens at the size its layout asks for.
    QSize sizeHint() const override;
    // Small enough for a window that has to fit a small screen.
    QSize minimumSizeHint() const override;
};

}  // namespace quorvex::console
