#pragma once

#include "discovery/BluetoothRadio.h"

#include <filesystem>
#include <vector>

namespace zeph::windows::discovery {

// The local radios the kernel knows (class/bluetooth/hciN under the sysfs root), in number
// order, each with BlueZ's adapter object as its handle. Reading sysfs never blocks, so the
// window thread may ask at any time.
std::vector<BluetoothRadio> listLocalRadios(const std::filesystem::path& sysRoot);

}  // namespace zeph::windows::discovery
