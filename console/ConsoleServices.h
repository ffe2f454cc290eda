#pragma once

#include "console/IDesktop.h"
#include "console/IMessageBoxes.h"
#include "console/ISaveFileDialog.h"

namespace quorvex::console {

// The parts of the desktop the main window asks a person through.
struct ConsoleServices {
    IMessageBoxes& boxes;
    ISaveFileDialog& saveDialog;
    IDesktop& desktop;
};

}  // namespace quorvex::console
