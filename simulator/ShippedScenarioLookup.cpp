#include "simulator/ShippedScenarios.h"

namespace quorvex::simulator {

std::optional<ShippedScenario> shippedScenario(std::string_view name) {
    if (name.ends_with(".scenario")) {
        name.remove_suffix(std::string_view(".scenario").size());
    }
    for (const ShippedScenario& scenario : shippedScenarios()) {
        if (scenario.name == name) {
            return scenario;
        }
    }
    return std::nullopt;
}

std::string_view scenarioDescription(const ShippedScenario& scenario) {
    std::string_view line = scenario.text.substr(0, scenario.text.find('\n'));
    if (line.starts_with("# ")) {
        line.remove_prefix(2);
    }
    return line;
}

}  // namespace quorvex::simulator
