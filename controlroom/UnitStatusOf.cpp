#include "controlroom/UnitStatusOf.h"

#include "device/DeviceState.h"
#include "device/DeviceValueSets.h"
#include "session/FirmwareWindow.h"

#include <cmath>

namespace quorvex::link {

UnitStatus unitStatusOf(const DeviceState& state, const std::string& connection) {
    UnitStatus status;
    const DeviceIdentity identity = state.identity();
    status.serialNumber = identity.nameRemainder;
    status.model = identity.model;
    status.connection = connection;
    status.firmware = console::firmwareVersionText(console::firmwareVersionOf(state.firmware()));
    if (const double battery = state.batteryLevel(); std::isfinite(battery) && battery > 0) {
        status.battery = battery;
    }
    const GpsValues gps = state.gps();
    status.gpsQuality = gps.flag;
    if (gps.flag != 0) {
        status.latitude = gps.values[0];
        status.longitude = gps.values[1];
    }
    return status;
}

std::string connectionOf(const DeviceState& state) {
    return state.connectionState() == ConnectionState::Connected ? "connected" : "disconnected";
}

std::string connectionOf(console::ConnectionOutcome outcome) {
    return outcome == console::ConnectionOutcome::LinkLost ? "link lost" : "disconnected";
}

}  // namespace quorvex::link
