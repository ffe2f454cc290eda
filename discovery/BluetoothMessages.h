#pragma once

#include "discovery/BluetoothDevice.h"
#include "discovery/BluetoothSearchParams.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/WindowTypes.h"

#include <boost/signals2/signal.hpp>

#include <memory>
#include <vector>

namespace zeph::windows::discovery {

// The search result signal: the result code and, when it is 0, the devices found.
using BluetoothResultSignal =
    boost::signals2::signal<void(const platform::DWORD&, const std::vector<BluetoothDevice>*)>;

// Posted to the Bluetooth thread; owned by whoever holds the message.
struct BluetoothSearchRequest {
    BluetoothResultSignal resultSignal;
    std::unique_ptr<BLUETOOTH_DEVICE_SEARCH_PARAMS> params;  // null: the defaults
};

// Posted back to the notification window with its request.
struct BluetoothSearchResult {
    platform::DWORD code = 0;
    std::vector<BluetoothDevice> devices;
};

// The registered messages between the manager, its thread and its window.
platform::UINT tmBluetoothEnumDevices();
platform::UINT tmBluetoothRemoveDevice();
platform::UINT wmBluetoothEnumDevices();

}  // namespace zeph::windows::discovery
