#include "simulator/Scenario.h"

#include "simulator/ShippedScenarios.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace quorvex::simulator {

namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Splits "at 500 passage 3" into the time and the rest; false when the time is not a number.
bool timed(std::string_view& line, std::string_view keyword, std::chrono::milliseconds& time) {
    line.remove_prefix(keyword.size());
    line = trimmed(line);
    const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
    int ms = 0;
    const auto [stop, error] = std::from_chars(line.data(), line.data() + end, ms);
    if (error != std::errc() || stop != line.data() + end || ms < 0) {
        return false;
    }
    time = std::chrono::milliseconds(ms);
    line = trimmed(line.substr(end));
    return true;
}

}  // namespace

std::string parseScenario(std::string_view text, std::vector<ScenarioStep>& steps) {
    std::vector<ScenarioStep> parsed;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        ScenarioStep step;
        const bool at = line.starts_with("at ");
        bool timesRead = !at || timed(line, "at", step.at);
        const bool every = timesRead && line.starts_with("every ");
        timesRead = timesRead && (!every || timed(line, "every", step.every));
        if (!timesRead) {
            return "line " + std::to_string(number) + ": a time in milliseconds must follow at or every";
        }
        if (every && step.every.count() == 0) {
            return "line " + std::to_string(number) + ": every needs a period above 0";
        }
        step.at = every && !at ? step.every : step.at;
        step.text = std::string(line);
        std::string error = parseControlLine(line, step.action);
        if (error.empty() && !step.action) {
            error = "a step needs a control command";
        }
        if (!error.empty()) {
            return "line " + std::to_string(number) + ": " + error;
        }
        parsed.push_back(std::move(step));
    }
    steps = std::move(parsed);
    return {};
}

std::string loadScenario(const std::filesystem::path& path, std::vector<ScenarioStep>& steps) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "cannot read the scenario file " + path.string();
    }
    std::ostringstream text;
    text << file.rdbuf();
    const std::string error = parseScenario(text.str(), steps);
    return error.empty() ? error : path.string() + ": " + error;
}

void scheduleScenario(UnitSimulator& unit, const std::vector<ScenarioStep>& steps) {
    for (const ScenarioStep& step : steps) {
        unit.schedule(step.at, step.every, [&unit, action = step.action] { action(unit); });
    }
}

std::string scenarioSteps(const SimulatorOptions& options, std::vector<ScenarioStep>& steps) {
    std::optional<ShippedScenario> shipped = shippedScenario(options.shippedScenario);
    if (!shipped && options.scenario) {
        // A file of that name wins; else a shipped scenario may be named without its folder.
        std::error_code error;
        if (!std::filesystem::exists(*options.scenario, error)) {
            shipped = shippedScenario(options.scenario->string());
        }
        if (!shipped) {
            return loadScenario(*options.scenario, steps);
        }
    }
    if (!shipped) {
        steps.clear();
        return {};
    }
    const std::string error = parseScenario(shipped->text, steps);
    return error.empty() ? error : std::string(shipped->name) + ": " + error;
}

std::string scenarioHelp() {
    std::string shipped;
    for (const ShippedScenario& scenario : shippedScenarios()) {
        std::string name(scenario.name);
        name.resize(std::max<std::size_t>(name.size() + 1, 15), ' ');
        shipped += "  " + name + std::string(scenarioDescription(scenario)) + "\n";
    }
    return R"(Scenario files (--scenario FILE): one step per line, times in ms after the unit starts:
  at MS COMMAND                run COMMAND once, MS after the start
  every MS COMMAND             run COMMAND every MS, first after MS
  at MS every MS2 COMMAND      run COMMAND MS after the start, then every MS2
  COMMAND                      run COMMAND at once
  # ...                        a comment
Events asked for before a console has initialised the unit are held until it has.
Example:
  every 2000 passage 3
  at 5000 fault badChecksum 3
  at 9000 fault silence 4000
Shipped scenarios (--scenario NAME; the files are in share/quorvex/scenarios, with --demo
they play on the demo's unit):
)" + shipped;
}

}  // namespace quorvex::simulator
