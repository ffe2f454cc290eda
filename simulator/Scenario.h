#pragma once

#include "simulator/ControlCommand.h"
#include "simulator/SimulatorOptions.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::simulator {

// One timed step of a scenario: a control line run at a time after the unit starts, once or
// again every period.
struct ScenarioStep {
    std::chrono::milliseconds at{0};
    std::chrono::milliseconds every{0};  // 0: once
    std::string text;                    // the control line
    ControlAction action;
};

// Reads a scenario: one step per line, "at MS <control line>", "every MS <control line>" (first
// after MS, then every MS), "at MS every MS2 <control line>" (first after MS, then every MS2) or a
// bare control line (at once); "#" starts a comment. Returns an error text naming the line, or "".
std::string parseScenario(std::string_view text, std::vector<ScenarioStep>& steps);
std::string loadScenario(const std::filesystem::path& path, std::vector<ScenarioStep>& steps);

// Puts the steps on the unit's timer list, their times counted from now.
void scheduleScenario(UnitSimulator& unit, const std::vector<ScenarioStep>& steps);

// The steps the options ask for: the demo's, a scenario file, or a shipped scenario that
// --scenario names when no file of that name exists; none without either. "" or the error.
std::string scenarioSteps(const SimulatorOptions& options, std::vector<ScenarioStep>& steps);

std::string scenarioHelp();

}  // namespace quorvex::simulator
