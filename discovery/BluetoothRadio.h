#pragma once

#include <string>

namespace zeph::windows::discovery {

// One local radio. Its handle is BlueZ's adapter object ("/org/bluez/hci0"), which searches
// use to take only that radio's devices.
struct BluetoothRadio {
    std::string name;    // the kernel's name, "hci0"
    std::string handle;  // BlueZ's adapter object path
};

}  // namespace zeph::windows::discovery
