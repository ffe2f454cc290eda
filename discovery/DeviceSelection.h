#pragma once

#include "discovery/BluetoothDevice.h"

#include <boost/variant.hpp>

#include <cstdint>
#include <string>

namespace zeph::windows::discovery {

// A serial port chosen in the survey.
struct tagSERIAL_DEVICE {
    std::int32_t port = 0;
    std::wstring path;  // "\\.\COM<port>"
    std::wstring friendlyName;
};

// A QUORVEX unit chosen in the survey, with the COM port its examination verified.
struct tagBLUETOOTH_DEVICE {
    std::int32_t port = -1;
    BluetoothDevice info;
};

// What the survey hands over: alternative 0 a serial port, 1 a Bluetooth unit.
using DeviceSelection = boost::variant<tagSERIAL_DEVICE, tagBLUETOOTH_DEVICE>;

}  // namespace zeph::windows::discovery
