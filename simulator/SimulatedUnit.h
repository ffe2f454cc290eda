#pragma once

#include "simulator/SimulatorOptions.h"
#include "simulator/UnitSimulator.h"

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::simulator {

// A simulated unit living in the client's process (--simulate): its line, its schedule of
// passages and scenario steps, and the control lines the operator sends it.
class SimulatedUnit {
public:
    // Applies the unit options that a program hosting a unit read against unitOptionTable(); they
    // need the program's --simulate. "" or the error.
    static std::string applyOptions(std::span<const boost::program_options::option> read, bool simulate,
                                    SimulatorOptions& options);

    explicit SimulatedUnit(const SimulatorOptions& options);
    // Stops the unit and removes the COM link it made.
    ~SimulatedUnit();
    SimulatedUnit(const SimulatedUnit&) = delete;
    SimulatedUnit& operator=(const SimulatedUnit&) = delete;

    // Opens the line and starts the unit; "" or what went wrong.
    std::string start();
    // The path the console opens: the COM port when one was linked, else the line itself.
    std::string portName() const;
    // One control line ("passage", "gain 9 1", "fault hangup"); "" or what is wrong with it.
    std::string control(std::string_view line);

private:
    std::string linkComPort();

    SimulatorOptions options_;
    UnitSimulator unit_;
    int comNumber_ = 0;
    std::filesystem::path createdLink_;
};

}  // namespace quorvex::simulator
