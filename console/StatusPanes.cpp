#include "console/StatusPanes.h"

#include <functional>
#include <map>

namespace quorvex::console {

PaneImage connectionPaneOf(bool connected, bool bluetoothDevice, bool radioPresent) {
    if (!bluetoothDevice) {
        return {connected ? "connection-serial-on" : "connection-serial-off", ""};
    }
    if (connected) {
        return {"bluetooth-connected", "Connected"};
    }
    return radioPresent ? PaneImage{"bluetooth-enabled", "Enabled"}
                        : PaneImage{"bluetooth-disabled", "Disabled"};
}

BatteryPaneState batteryPaneOf(bool connected, double level) {
    if (!connected) {
        return {{"battery-unknown", ""}, false};
    }
    if (level >= 8.0) {
        return {{"battery-full", "Fully charged"}, false};
    }
    if (level >= 7.25) {
        return {{"battery-75", "75% remaining"}, false};
    }
    if (level >= 6.5) {
        return {{"battery-50", "50% remaining"}, false};
    }
    if (level >= 5.25) {
        return {{"battery-25", "25% remaining"}, false};
    }
    return {{"battery-low", "Low Battery"}, true};
}

PaneImage gpsPaneOf(bool connected, std::uint8_t quality) {
    if (!connected) {
        return {"gps-none", ""};
    }
    switch (quality) {
        case 1:
            return {"gps-poor", "Poor"};
        case 2:
            return {"gps-fair", "Fair"};
        case 3:
            return {"gps-good", "Good"};
        case 4:
            return {"gps-excellent", "Excellent"};
        default:
            return {"gps-none", "Disconnected"};
    }
}

std::string paneStateText(const std::string& icon) {
    static const std::map<std::string, std::string, std::less<>> texts{
        {"connection-serial-on", "Serial port connected"},
        {"connection-serial-off", "Serial port not connected"},
        {"bluetooth-connected", "Bluetooth unit connected"},
        {"bluetooth-enabled", "Bluetooth radio on, unit not connected"},
        {"bluetooth-disabled", "No Bluetooth radio"},
        {"battery-unknown", "Battery level unknown"},
        {"battery-full", "Battery fully charged"},
        {"battery-75", "Battery 75% remaining"},
        {"battery-50", "Battery 50% remaining"},
        {"battery-25", "Battery 25% remaining"},
        {"battery-low", "Low Battery"},
        {"gps-none", "No GPS fix"},
        {"gps-poor", "GPS fix poor"},
        {"gps-fair", "GPS fix fair"},
        {"gps-good", "GPS fix good"},
        {"gps-excellent", "GPS fix excellent"}};
    const auto found = texts.find(icon);
    return found == texts.end() ? std::string() : found->second;
}

std::string clockText(std::time_t now) {
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[260];
    return std::string(text, std::strftime(text, sizeof text, "%X", &local));
}

}  // namespace quorvex::console
