#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace quorvex::simulator {

// A scenario file that comes with the simulator (simulator/scenarios/, installed under
// share/quorvex/scenarios): its name without ".scenario" and its text, built into the program.
struct ShippedScenario {
    std::string_view name;
    std::string_view text;
};

std::span<const ShippedScenario> shippedScenarios();
// By name, with or without ".scenario".
std::optional<ShippedScenario> shippedScenario(std::string_view name);
// The first comment line of its text, without "# ": what it plays.
std::string_view scenarioDescription(const ShippedScenario& scenario);

}  // namespace quorvex::simulator
