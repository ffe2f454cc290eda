#pragma once

#include <QObject>

#include <filesystem>
#include <memory>
#include <string>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace zeph::windows::discovery {

// Tells of serial ports that appear or go while a window is open: udev's events of the tty
// subsystem, received on the window thread. Where udev cannot be reached (no udev daemon) it
// stays silent; tests hand it events through handleEvent.
class DeviceMonitor final : public QObject {
    Q_OBJECT

public:
    explicit DeviceMonitor(QObject* parent = nullptr);
    ~DeviceMonitor() override;

    bool listening() const { return notifier_ != nullptr; }
    // One udev event: "add" or "remove" of the device node.
    void handleEvent(const std::string& action, const std::filesystem::path& deviceNode);

signals:
    void portArrived(const std::filesystem::path& deviceNode);
    void portRemoved(const std::filesystem::path& deviceNode);

private:
    void receive();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;  // child of this object
};

}  // namespace zeph::windows::discovery
