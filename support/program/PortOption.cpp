#include "support/program/PortOption.h"

#include "support/communication/PortDirectory.h"
#include "support/platform/TextConversion.h"

namespace quorvex::program {

using zeph::windows::communication::PortDirectory;

std::wstring devicePathOf(std::string_view port) {
    const std::wstring wide = zeph::platform::widenPath(port);
    if (const auto number = PortDirectory::portNumberOf(wide)) {
        return L"\\\\.\\COM" + std::to_wstring(*number);
    }
    return port.starts_with('/') ? wide : std::wstring();
}

std::string portOptionError(std::string_view port) {
    if (!devicePathOf(port).empty()) {
        return {};
    }
    return "--port " + std::string(port) + ": not a COM port (COM3) or a device path (/dev/ttyUSB0)";
}

zeph::windows::communication::SerialSettings serialSettingsOf(std::string_view port) {
    zeph::windows::communication::SerialSettings settings;
    settings.setDevicePath(devicePathOf(port));
    if (const auto number = PortDirectory::portNumberOf(settings.devicePath())) {
        settings.setPortNumber(*number);
    }
    return settings;
}

}  // namespace quorvex::program
