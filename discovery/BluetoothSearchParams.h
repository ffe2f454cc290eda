#pragma once

#include <cstdint>
#include <string>

namespace zeph::windows::discovery {

// Which devices a search returns. A device is returned when one of the flags it asks for holds:
// authenticated (paired), remembered, connected, or unknown (none of those).
struct BLUETOOTH_DEVICE_SEARCH_PARAMS {
    bool fReturnAuthenticated = true;
    bool fReturnRemembered = true;
    bool fReturnUnknown = true;
    bool fReturnConnected = true;
    // BlueZ lists the devices it knows; an inquiry is never started (see BluetoothThread).
    bool fIssueInquiry = true;
    std::uint8_t cTimeoutMultiplier = 15;
    std::string hRadio;  // a radio handle: only that radio's devices; empty: every radio
};

}  // namespace zeph::windows::discovery
