#include "discovery/DeviceMonitor.h"

#include "support/logging/LogBeacon.h"

#include <QSocketNotifier>

#include <libudev.h>

namespace zeph::windows::discovery {

DeviceMonitor::DeviceMonitor(QObject* parent) : QObject(parent), udev_(udev_new()) {
    if (udev_ != nullptr) {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    }
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        logging::LogBeacon::log("DeviceMonitor::DeviceMonitor", logging::Warning,
                                L"udev cannot be reached: serial ports that appear or go are not noticed.");
        return;
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &DeviceMonitor::receive);
}

DeviceMonitor::~DeviceMonitor() {
    delete notifier_;  // before the descriptor it watches goes
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

void DeviceMonitor::receive() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) {
        return;
    }
    const char* action = udev_device_get_action(device);
    const char* node = udev_device_get_devnode(device);
    if (action != nullptr && node != nullptr) {
        handleEvent(action, node);
    }
    udev_device_unref(device);
}

void DeviceMonitor::handleEvent(const std::string& action, const std::filesystem::path& deviceNode) {
    if (action == "add") {
        emit portArrived(deviceNode);
    } else if (action == "remove") {
        emit portRemoved(deviceNode);
    }
}

}  // namespace zeph::windows::discovery
