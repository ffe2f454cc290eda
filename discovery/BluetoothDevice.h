#pragma once

#include "discovery/BluetoothAddress.h"

#include <cstdint>
#include <string>

namespace zeph::windows::discovery {

// One Bluetooth device as a search reports it, filled from BlueZ's org.bluez.Device1.
struct BluetoothDevice {
    BLUETOOTH_ADDRESS Address;
    std::uint32_t ulClassofDevice = 0;  // Class
    bool fConnected = false;            // Connected
    bool fRemembered = false;           // Paired or Trusted: BlueZ keeps it across restarts
    bool fAuthenticated = false;        // Paired
    std::wstring szName;                // Name, else Alias
    std::string objectPath;             // BlueZ's object of the device
    std::string adapterPath;            // BlueZ's object of the radio it belongs to
};

}  // namespace zeph::windows::discovery
