#pragma once

#include "simulator/SimulatorOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvex::console {

// The console's command line.
struct ConsoleOptions {
    bool debug = false;                         // "-debug": the debug menu and tool bar buttons
    std::optional<std::string> port;            // --port COMn|PATH: the port Connect opens
    bool connect = false;                       // --connect: connect to --port at start
    bool simulate = false;                      // --simulate: a simulated unit in this process
    quorvex::simulator::SimulatorOptions unit;  // with --simulate
    std::optional<std::string> journal;         // --journal FILE: the passage journal (bytes)
    bool noJournal = false;                     // --no-journal
    bool help = false;
    bool version = false;
};

// Reads the arguments as the program was given them (its name first); returns an error text or "".
// The port stays the bytes it was given: a device path need not be valid UTF-8.
std::string parseConsoleOptions(const std::vector<std::string>& arguments, ConsoleOptions& options);

std::string consoleHelp();

}  // namespace quorvex::console
