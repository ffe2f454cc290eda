#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex::link {

// What the control room sees of a unit: retained under <prefix>/<serial>/status.
struct UnitStatus {
    std::string serialNumber;
    std::string connection;  // "connected", "disconnected" or "link lost"
    std::string model;
    std::string firmware;
    std::optional<double> battery;           // as the unit reports its level
    std::optional<std::int64_t> gpsQuality;  // of the last fix; 0 is no fix
    std::optional<double> latitude;
    std::optional<double> longitude;

    bool operator==(const UnitStatus&) const = default;
};

}  // namespace quorvex::link
