#pragma once

#include "support/communication/RfcommLink.h"

#include <filesystem>
#include <string>

namespace zeph::windows::discovery {

// Every system place device discovery looks at. The defaults are the machine's own; each can be
// pointed elsewhere (a temporary sysfs tree, a private D-Bus bus) through the environment.
struct DiscoveryEnvironment {
    std::filesystem::path sysRoot = "/sys";  // $QUORVEX_SYSFS_ROOT: rfcomm addresses, radios
    std::filesystem::path devRoot = "/dev";  // $QUORVEX_DEV_ROOT: where rfcommN nodes live
    std::filesystem::path portFolder;        // the COM port directory ($QUORVEX_PORT_DIR, ...)
    std::string busAddress;                  // $QUORVEX_BLUEZ_BUS: a D-Bus address; empty: system bus
    int busTimeoutMs = 5000;                 // $QUORVEX_BLUEZ_TIMEOUT_MS: longest wait for BlueZ
    communication::LinkProbe linkProbe = communication::kernelLinkAnswer;  // who tells of an rfcomm link
    platform::DWORD linkTimeoutMs = communication::kLinkTimeoutMs;         // longest wait for that link

    static DiscoveryEnvironment fromEnvironment();
};

}  // namespace zeph::windows::discovery
