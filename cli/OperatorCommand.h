#pragma once

#include "device/IUserInterface.h"

#include <chrono>
#include <string>
#include <string_view>

namespace quorvex::cli {

// One line of operator input, read: a call on the device stack, or one of the client's own
// commands. Parsing changes nothing; a line that does not parse leaves everything as it was.
struct OperatorCommand {
    enum class Kind {
        None,        // an empty line or a comment
        Device,      // a call on the stack without an argument
        DeviceWith,  // a call on the stack with a number
        Disconnect,
        State,
        Help,
        Quit,
        Wait,
        Unit,  // "sim ...": a control line for a simulated unit
    };

    Kind kind = Kind::None;
    std::string name;
    void (IUserInterface::*call)() = nullptr;
    void (IUserInterface::*callWith)(const int&) = nullptr;
    int argument = 0;
    std::chrono::milliseconds wait{0};
    std::string unitControl;
};

// Reads one line; returns "" with the command, or the text of what is wrong with the line.
std::string parseOperatorCommand(std::string_view line, OperatorCommand& command);

// The commands, one per line with their arguments, for --help and "help".
std::string_view operatorCommandsHelp();

}  // namespace quorvex::cli
