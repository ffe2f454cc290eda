#include "simulator/SimulatedUnit.h"

#include "simulator/CommandLine.h"

#include "simulator/ControlCommand.h"
#include "simulator/Scenario.h"
#include "support/communication/PortDirectory.h"

#include <vector>

namespace quorvex::simulator {

namespace {

using zeph::windows::communication::PortDirectory;

}  // namespace

std::string SimulatedUnit::applyOptions(std::span<const boost::program_options::option> read, bool simulate,
                                        SimulatorOptions& options) {
    if (!read.empty() && !simulate) {
        return "unknown option " + optionText(read.front()) + " (unit options need --simulate)";
    }
    for (const boost::program_options::option& option : read) {
        if (std::string error = applyUnitOption(option, options); !error.empty()) {
            return error;
        }
    }
    if (!simulate) {
        return {};
    }
    if (std::string error = checkSimulatorOptions(options); !error.empty()) {
        return error;
    }
    // The unit's COM link is made by the program that hosts it.
    if (options.comNumber) {
        return "--com N belongs to quorvex-sim; with --simulate use --com auto";
    }
    return {};
}

SimulatedUnit::SimulatedUnit(const SimulatorOptions& options) : options_(options), unit_(options.profile) {}

SimulatedUnit::~SimulatedUnit() {
    unit_.stop();
    if (!createdLink_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(createdLink_, ignored);
    }
}

std::string SimulatedUnit::start() {
    std::vector<ScenarioStep> steps;
    if (std::string error = scenarioSteps(options_, steps); !error.empty()) {
        return error;
    }
    RoutePassagePlan routePassage;
    if (options_.routeStand.route) {
        if (std::string error =
                planRoutePassage(options_.routeStand, std::chrono::system_clock::now(), routePassage);
            !error.empty()) {
            return error;
        }
    }
    const auto opened = options_.device ? unit_.openDevice(*options_.device) : unit_.openPseudoTerminal();
    if (opened != 0) {
        return "the simulated unit cannot open " + options_.device.value_or("a pseudo-terminal") +
               " (error " + std::to_string(opened) + ")";
    }
    if (options_.registerCom) {
        if (std::string error = linkComPort(); !error.empty()) {
            return error;
        }
    }
    unit_.start();
    scheduleScenario(unit_, steps);
    if (options_.passageEvery.count() > 0) {
        unit_.schedule(options_.passageEvery, options_.passageEvery, [this] { unit_.passage({}); });
    }
    if (options_.routeStand.route) {
        scheduleRoutePassage(unit_, routePassage, std::chrono::system_clock::now());
    }
    return {};
}

std::string SimulatedUnit::linkComPort() {
    const PortDirectory directory(options_.portDirectory.value_or(PortDirectory::defaultFolder()));
    const bool existed = directory.numberOf(unit_.portName()).has_value();
    if (const auto result = unit_.registerComPort(directory, comNumber_); result != 0) {
        return "the simulated unit cannot link its line into " + directory.folder().string() + " (error " +
               std::to_string(result) + ")";
    }
    if (!existed) {
        createdLink_ = directory.linkPath(comNumber_);
    }
    return {};
}

std::string SimulatedUnit::portName() const {
    return comNumber_ != 0 ? "COM" + std::to_string(comNumber_) : unit_.portName();
}

std::string SimulatedUnit::control(std::string_view line) {
    ControlAction action;
    if (std::string error = parseControlLine(line, action); !error.empty()) {
        return error;
    }
    if (action) {
        action(unit_);
    }
    return {};
}

}  // namespace quorvex::simulator
