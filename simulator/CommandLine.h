#pragma once

#include <boost/program_options/option.hpp>
#include <boost/program_options/options_description.hpp>

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::simulator {

namespace program_options = boost::program_options;

// Reads a command line against a table of long options ("--rate 10" or "--rate=10"; "-h" where the
// table gives it) into the options in the order given, so later ones override earlier ones.
// Returns our programs' error text ("unknown option \"--bogus\"", "--rate needs a value", ...) or "".
// A value option's missing-value text names its value_name, "a value" when it has none.
std::string readCommandLine(std::span<const std::string_view> args,
                            const program_options::options_description& table,
                            std::vector<program_options::option>& options);

// "--rate" for the option the table knows as "rate".
std::string optionText(const program_options::option& option);

}  // namespace quorvex::simulator
