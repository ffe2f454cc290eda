#include "console/CommandPrompts.h"

#include "console/CommandIds.h"

#include <map>

namespace quorvex::console {

namespace {

// The string table: the status text, then after "\n" the tool-tip.
const std::map<int, std::string_view>& promptTable() {
    static const std::map<int, std::string_view> table{
        {ID_CONNECT, "Connect to the selected QUORVEX unit\nConnect"},
        {ID_DISCONNECT, "Disconnect from the QUORVEX unit\nDisconnect"},
        {ID_CONFIGURATION_SERIAL, "Select and configure the serial port\nSerial Configuration"},
        {ID_VIEW_CONSOLE, "Opens the debug console and options\nDebug Console"},
        {ID_RESET_SENSOR, "Reset the MR sensor\nSensor reset"},
        {ID_RECORD_MANUAL, "Manual recording mode\nManual"},
        {ID_RECORD_AUTOMATIC, "Automatic recording mode\nAutomatic"},
        {ID_TRANSPORT_LIVE, "Start the live data stream\nStart"},
        {ID_TRANSPORT_PAUSE, "Pause the live data stream\nPause"},
        {ID_TRANSPORT_STOP, "Stop the live data stream\nStop"},
        {ID_GAIN_INCREASE, "Increase the gain\nIncrease"},
        {ID_GAIN_DECREASE, "Decrease the gain\nDecrease"},
        {ID_FORCE_REDRAW, "History Window redraw\nForce History WIndows to redraw themselves"},
        {ID_VIEW_DEVICES, "Select and Pair to the QUORVEX unit\nSelect QUORVEX unit"},
        {ID_VIEW_FILTER, "Opens the console filter settings\nConsole Filter"},
        {ID_FILE_MANAGER, "Opens the File Manager\nFile Manager"},
        {ID_FILE_SAVE, "Save the log\nSave"},
        {ID_APP_EXIT, "Quit the application\nExit"},
        {ID_HELP, "Opens Help\nHelp"},
        {ID_VIEW_TOOLBAR, "Show or hide the tool bar\nToggle Tool Bar"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle Status Bar"},
    };
    return table;
}

}  // namespace

CommandPrompt commandPrompt(int id) {
    if (id >= ID_WORKING_FOLDER_1 && id <= ID_WORKING_FOLDER_5) {
        return {"Set the working folder", ""};
    }
    const auto found = promptTable().find(id);
    if (found == promptTable().end()) {
        return {};
    }
    const std::string_view text = found->second;
    const auto split = text.find('\n');
    return {text.substr(0, split), text.substr(split + 1)};
}

}  // namespace quorvex::console
