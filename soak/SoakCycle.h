#pragma once

#include "cli/ConsoleSession.h"
#include "device/IUserInterface.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace quorvex::soak {

enum class SoakFault { None, BadChecksum, Garbage, WakeFlood, Silence, HangUp };

const char* nameOf(SoakFault fault);

struct CycleResult {
    SoakFault fault = SoakFault::None;
    quorvex::cli::SessionEnd end = quorvex::cli::SessionEnd::Disconnected;
    std::size_t passagesSent = 0;      // accepted by the console, as the unit counts them
    std::size_t passagesReported = 0;  // reached the console's window
    std::size_t samples = 0;
    std::uint64_t lateAnswers = 0;  // frames the unit resent or gave up on
    std::string failure;            // empty when the cycle went as it must
};

// One connection to a fresh simulated unit, driven as the console drives it: connect, stream,
// a few passages (each must be reported), then one random fault or none, then the end of the
// session, by the operator's disconnect or by the stack itself. Runs the message loop of the
// calling thread until the session is over.
CycleResult runCycle(IUserInterface& device, std::mt19937& random);

}  // namespace quorvex::soak
