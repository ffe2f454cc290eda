#include "discovery/ComPortInfo.h"

#include "support/communication/PortDirectory.h"
#include "support/communication/SerialDeviceNode.h"
#include "support/platform/LastError.h"
#include "support/platform/TextConversion.h"

#include <libudev.h>

#include <memory>

namespace zeph::windows::discovery {

namespace fs = std::filesystem;

namespace {

struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

std::string property(udev_device* device, const char* fromDatabase, const char* own) {
    const char* value = udev_device_get_property_value(device, fromDatabase);
    if (value == nullptr || *value == '\0') {
        value = udev_device_get_property_value(device, own);
    }
    std::string text = value != nullptr ? value : "";
    for (char& c : text) {
        c = c == '_' ? ' ' : c;  // udev's own names use '_' for blanks
    }
    return text;
}

// "<vendor> <model>" from udev's tty device, or empty when udev knows nothing of it.
std::string udevDescription(udev* context, const std::string& sysname) {
    if (context == nullptr) {
        return {};
    }
    const std::unique_ptr<udev_device, UdevDeleter> device(
        udev_device_new_from_subsystem_sysname(context, "tty", sysname.c_str()));
    if (!device) {
        return {};
    }
    const std::string model = property(device.get(), "ID_MODEL_FROM_DATABASE", "ID_MODEL");
    const std::string vendor = property(device.get(), "ID_VENDOR_FROM_DATABASE", "ID_VENDOR");
    if (model.empty()) {
        return vendor;
    }
    return vendor.empty() ? model : vendor + " " + model;
}

std::wstring describe(udev* context, const fs::path& link, const fs::path& target) {
    // The link's own target names the RFCOMM tty even where it is reached through another node.
    if (target.filename().string().starts_with("rfcomm")) {
        return L"Bluetooth serial link";
    }
    std::error_code error;
    const fs::path device = fs::canonical(link, error);
    const std::string description =
        error ? std::string() : udevDescription(context, device.filename().string());
    return description.empty() ? L"Serial port" : platform::widen(description);
}

}  // namespace

bool enumerateComPorts(const DiscoveryEnvironment& environment, std::vector<ComPortInfo>& ports) {
    ports.clear();
    const communication::PortDirectory directory(environment.portFolder);
    std::error_code error;
    if (!fs::is_directory(directory.folder(), error)) {
        platform::setLastError(error ? platform::win32FromErrno(error.value())
                                     : platform::ERROR_PATH_NOT_FOUND);
        return false;
    }
    const std::unique_ptr<udev, UdevDeleter> context(udev_new());
    for (const auto& link : directory.links()) {
        // Only serial lines: not a link to /dev/zero, a FIFO, a folder or a file left there.
        if (communication::isSerialDeviceNode(link.link, environment.sysRoot)) {
            ports.push_back(ComPortInfo{link.number, describe(context.get(), link.link, link.target)});
        }
    }
    return true;
}

}  // namespace zeph::windows::discovery
