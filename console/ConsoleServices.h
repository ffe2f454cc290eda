#pragma once

#include "console/IDesktop.h"
#include "console/IMessageBoxes.h"
#include "console/IOpenFileDialog.h"
#include "console/ISaveFileDialog.h"
#include "console/widgets/ISoundPlayer.h"

namespace quorvex::console {

// The parts of the desktop the main window asks a person through.
struct ConsoleServices {
    IMessageBoxes& boxes;
    ISaveFileDialog& saveDialog;
    IDesktop& desktop;
    // The sound events; none: silent.
    ISoundPlayer* sounds = nullptr;
    // Opening a file (a route); none: nothing can be opened.
    IOpenFileDialog* openDialog = nullptr;
};

}  // namespace quorvex::console
