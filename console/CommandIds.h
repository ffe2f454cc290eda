#pragma once

namespace quorvex::console {

// The main window's commands and controls by their numbers, which the prompts, the command
// state and the tests share.
enum CommandId : int {
    ID_CONNECT = 108,
    ID_DISCONNECT = 109,
    ID_GAIN_SPIN = 1004,
    ID_CLEAR = 1010,
    ID_CONFIGURATION_SERIAL = 32772,
    ID_VIEW_CONSOLE = 32774,
    ID_RESET_SENSOR = 32778,
    ID_WORKING_FOLDER_1 = 32780,
    ID_WORKING_FOLDER_5 = 32784,
    ID_RECORD_MANUAL = 32785,
    ID_RECORD_AUTOMATIC = 32786,
    ID_TRANSPORT_LIVE = 32788,
    ID_TRANSPORT_PAUSE = 32789,
    ID_TRANSPORT_STOP = 32790,
    ID_GAIN_INCREASE = 32792,
    ID_GAIN_DECREASE = 32793,
    ID_FORCE_REDRAW = 32800,
    ID_VIEW_DEVICES = 32801,
    ID_VIEW_FILTER = 32803,
    ID_FILE_MANAGER = 32804,
    ID_FILE_SAVE = 57603,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP = 57670,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

}  // namespace quorvex::console
