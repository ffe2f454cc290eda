#pragma once

#include "discovery/DiscoveryEnvironment.h"
#include "support/platform/ErrorCodes.h"

#include <filesystem>
#include <map>
#include <string>

namespace zeph::windows::discovery {

// Every bound RFCOMM tty: its name ("rfcomm0") and the search text of the address it is bound to.
std::map<std::string, std::wstring> rfcommBindings(const DiscoveryEnvironment& environment);

// The RFCOMM tty bound to a Bluetooth address: the rfcommN under <sysRoot>/class/tty whose
// "address" is the device's (compared as its search text), as the node <devRoot>/rfcommN.
// ERROR_NOT_FOUND when none is bound.
platform::DWORD findRfcommDevice(const DiscoveryEnvironment& environment, const std::wstring& searchText,
                                 std::filesystem::path& device);

// The device identifier of the unit's serial link: "COM<n>" of the port directory's link to the
// RFCOMM tty, a new number given when it has none yet.
platform::DWORD rfcommDeviceId(const DiscoveryEnvironment& environment, const std::wstring& searchText,
                               std::wstring& deviceId);

// The trailing decimal digits of a text as a number: "COM12" gives 12; 0 when there are none.
int trailingPortNumber(std::wstring_view text);

}  // namespace zeph::windows::discovery
