#pragma once

#include "session/IConsoleView.h"

#include <QString>

class QWidget;

namespace quorvex::console {

// The message boxes of the console, so a test can answer them without a person.
class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows a modal box with an OK button over the parent; returns when it is dismissed.
    virtual void show(QWidget* parent, const QString& text, BoxIcon icon) = 0;
};

}  // namespace quorvex::console
