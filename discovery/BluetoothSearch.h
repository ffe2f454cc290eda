#pragma once

#include "discovery/BluetoothDevice.h"
#include "discovery/BluetoothSearchParams.h"
#include "support/platform/ErrorCodes.h"

#include <string>
#include <vector>

namespace zeph::windows::discovery {

class BluezClient;

// What one search found, as the log tells it.
struct SearchOutcome {
    enum class Kind { BluezFailed, NoRadio, RadioOff, Listed };

    Kind kind = Kind::Listed;
    platform::DWORD code = 0;  // 0, or the search's error (259: no device matched)
    std::wstring failure;      // BlueZ's reason when it could not be asked
    std::string radio;         // the radio searched, for a radio that is off
    std::vector<BluetoothDevice> devices;
};

// Asks BlueZ for the devices the parameters select; logs nothing. A radio BlueZ does not know
// gives ERROR_BAD_UNIT, one that is switched off ERROR_NOT_READY.
SearchOutcome searchDevices(BluezClient& bluez, const BLUETOOTH_DEVICE_SEARCH_PARAMS& params);

// The search's parameters, then its failure or a block per device found.
void logSearch(const BLUETOOTH_DEVICE_SEARCH_PARAMS& params, const SearchOutcome& outcome);

// Whether two searches would log the same lines.
bool sameSearch(const BLUETOOTH_DEVICE_SEARCH_PARAMS& params, const SearchOutcome& outcome,
                const BLUETOOTH_DEVICE_SEARCH_PARAMS& otherParams, const SearchOutcome& other);

}  // namespace zeph::windows::discovery
