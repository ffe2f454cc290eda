#include "discovery/DiscoveryEnvironment.h"

#include "support/communication/PortDirectory.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace zeph::windows::discovery {

namespace {

const char* environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

DiscoveryEnvironment DiscoveryEnvironment::fromEnvironment() {
    DiscoveryEnvironment environment;
    if (const char* sysRoot = environmentValue("QUORVEX_SYSFS_ROOT")) {
        environment.sysRoot = sysRoot;
    }
    if (const char* devRoot = environmentValue("QUORVEX_DEV_ROOT")) {
        environment.devRoot = devRoot;
    }
    environment.portFolder = communication::PortDirectory::defaultFolder();
    if (const char* bus = environmentValue("QUORVEX_BLUEZ_BUS")) {
        environment.busAddress = bus;
    }
    if (const char* timeout = environmentValue("QUORVEX_BLUEZ_TIMEOUT_MS")) {
        const std::string_view text(timeout);
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end == text.data() + text.size() && value > 0) {
            environment.busTimeoutMs = value;
        }
    }
    return environment;
}

}  // namespace zeph::windows::discovery
