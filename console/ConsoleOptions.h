#pragma once

#include "simulator/SimulatorOptions.h"

#include <QStringList>

#include <optional>
#include <string>

namespace quorvex::console {

// The console's command line.
struct ConsoleOptions {
    bool debug = false;                         // "-debug": the debug menu and tool bar buttons
    std::optional<std::string> port;            // --port COMn|PATH: the port Connect opens
    bool connect = false;                       // --connect: connect to --port at start
    bool simulate = false;                      // --simulate: a simulated unit in this process
    quorvex::simulator::SimulatorOptions unit;  // with --simulate
    bool help = false;
    bool version = false;
};

// Reads the arguments (the program's name first); returns an error text or "".
std::string parseConsoleOptions(const QStringList& arguments, ConsoleOptions& options);

std::string consoleHelp();

}  // namespace quorvex::console
