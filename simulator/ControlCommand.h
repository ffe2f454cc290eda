#pragma once

#include "simulator/UnitSimulator.h"

#include <functional>
#include <string>
#include <string_view>

namespace quorvex::simulator {

// One control line, ready to act on a unit.
using ControlAction = std::function<void(UnitSimulator&)>;

// Reads a control line (the language of scenario files and of the program's standard input,
// documented by controlHelp). Returns an error text, or "" with the action; a blank line or a
// comment ("#") gives no error and an empty action.
std::string parseControlLine(std::string_view line, ControlAction& action);

// The control language, for --help.
std::string_view controlHelp();

}  // namespace quorvex::simulator
