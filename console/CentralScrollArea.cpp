#include "console/CentralScrollArea.h"

namespace quorvex::console {

namespace {

// What stays of the content on the smallest screen: a row of controls and a plot's strip.
constexpr QSize SmallestView(320, 160);

}  // namespace

CentralScrollArea::CentralScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // Not a stop of its own for Tab: the keys go from control to control as without it, and the
    // area scrolls to show the control that takes the focus.
    setFocusPolicy(Qt::NoFocus);
    // The window's own background behind the rows, as without the scroll area.
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);
    setWidget(content);
}

QSize CentralScrollArea::sizeHint() const {
    return widget()->sizeHint().expandedTo(widget()->minimumSizeHint());
}

QSize CentralScrollArea::minimumSizeHint() const {
    return widget()->minimumSizeHint().boundedTo(SmallestView);
}

}  // namespace quorvex::console
