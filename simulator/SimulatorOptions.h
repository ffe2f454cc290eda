#pragma once

#include "simulator/RouteStand.h"
#include "simulator/UnitProfile.h"

#include <boost/program_options/option.hpp>
#include <boost/program_options/options_description.hpp>

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::simulator {

// The options of a simulated unit, shared by quorvex-sim and any program that hosts one.
struct SimulatorOptions {
    UnitProfile profile;
    std::optional<std::string> device;  // a tty to play on instead of a new pseudo-terminal
    bool registerCom = false;           // link the line into the port directory
    std::optional<int> comNumber;       // the number wanted (else the lowest free one)
    std::optional<std::filesystem::path> portDirectory;
    std::optional<std::filesystem::path> scenario;
    std::string shippedScenario;  // a scenario that comes with the simulator ("demo" with --demo)
    std::chrono::milliseconds passageEvery{0};
    // Where each event the console acknowledged is listed (what it was told it received).
    std::optional<std::filesystem::path> acknowledgedLog;
    RouteStand routeStand;  // --route and its options: a passage when the pig of a run passes
    bool readStdin = true;
    bool help = false;
    bool version = false;
};

// The demo's unit (--demo): it streams its field at 15 one-record frames a second (about 10 s on
// the console's plots), in automatic record mode, with a wandering GPS fix and a battery that
// drains over the hours, and plays the shipped demo scenario.
void applyDemo(SimulatorOptions& options);

// Reads the options ("--rate 10" or "--rate=10"), later ones overriding earlier ones; returns an
// error text or "". Unknown options and stray arguments are errors.
std::string parseSimulatorOptions(std::span<const std::string_view> args, SimulatorOptions& options);

// The unit options as an option table, for a program that reads them among its own.
const boost::program_options::options_description& unitOptionTable();

// Applies one option read against that table; returns an error text or "".
std::string applyUnitOption(const boost::program_options::option& option, SimulatorOptions& options);

// The checks across options, once all of them are applied.
std::string checkSimulatorOptions(const SimulatorOptions& options);

// The options, for a program's --help.
std::string_view simulatorOptionsHelp();

}  // namespace quorvex::simulator
