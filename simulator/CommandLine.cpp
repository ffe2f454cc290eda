#include "simulator/CommandLine.h"

#include <boost/program_options/errors.hpp>
#include <boost/program_options/parsers.hpp>

namespace quorvex::simulator {

namespace {

namespace style = program_options::command_line_style;

// Guessing is off: a shortened or mistyped option is an error, not some other option.
constexpr int Style = style::unix_style & ~style::allow_guessing;

std::string missingValueText(const program_options::options_description& table, const std::string& name) {
    const std::string key = name.substr(name.find_first_not_of('-'));
    const program_options::option_description* described = table.find_nothrow(key, false);
    std::string noun = described != nullptr ? described->semantic()->name() : std::string();
    if (noun.empty() || noun == program_options::arg) {
        noun = "a value";
    }
    return name + " needs " + noun;
}

// "--rate --pty": the next token is an option of ours, not the value of the one before it.
bool takesAnOptionAsValue(const program_options::option& option,
                          const program_options::options_description& table) {
    if (option.original_tokens.size() != 2 || option.value.size() != 1 ||
        !option.value[0].starts_with("--")) {
        return false;
    }
    return table.find_nothrow(option.value[0].substr(2), false) != nullptr;
}

}  // namespace

std::string optionText(const program_options::option& option) {
    return "--" + option.string_key;
}

std::string readCommandLine(std::span<const std::string_view> args,
                            const program_options::options_description& table,
                            std::vector<program_options::option>& options) {
    const std::vector<std::string> tokens(args.begin(), args.end());
    try {
        options = program_options::command_line_parser(tokens).options(table).style(Style).run().options;
    } catch (const program_options::unknown_option& error) {
        return "unknown option \"" + error.get_option_name() + "\"";
    } catch (const program_options::invalid_command_line_syntax& error) {
        if (error.kind() == program_options::invalid_syntax::extra_parameter) {
            return error.get_option_name() + " takes no value";
        }
        return missingValueText(table, error.get_option_name());
    } catch (const program_options::error& error) {
        return error.what();
    }
    for (const program_options::option& option : options) {
        if (option.position_key >= 0) {
            return "unexpected argument \"" + option.value.front() + "\"";
        }
        if (takesAnOptionAsValue(option, table)) {
            return missingValueText(table, optionText(option));
        }
    }
    return {};
}

}  // namespace quorvex::simulator
