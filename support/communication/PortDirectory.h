#pragma once

#include "support/platform/ErrorCodes.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace zeph::windows::communication {

// The folder that gives serial devices their COM numbers: a symlink "com<n>" per port, pointing
// at the device node (like Wine's dosdevices). Numbers once given are never changed, so an
// operator's "COM4" stays COM4; a link whose device is gone keeps its number for its return.
class PortDirectory {
public:
    struct Link {
        int number;                    // the COM number
        std::filesystem::path link;    // <folder>/com<number>
        std::filesystem::path target;  // where it points (absolute; may not exist)
    };

    explicit PortDirectory(std::filesystem::path folder);

    // $QUORVEX_PORT_DIR, else $XDG_DATA_HOME/quorvex/ports, else ~/.local/share/quorvex/ports.
    static std::filesystem::path defaultFolder();
    static PortDirectory fromEnvironment() { return PortDirectory(defaultFolder()); }

    // The COM number of a Windows port path: "\\.\COM7" or "COM7" (any case) gives 7.
    static std::optional<int> portNumberOf(std::wstring_view devicePath);

    // The file a port path names: the link of "\\.\COM<n>" or "COM<n>", or an absolute device
    // path as given; none for anything else.
    std::optional<std::filesystem::path> fileOf(std::wstring_view devicePath) const;

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path linkPath(int number) const;

    // Every com<n> link, ascending by number.
    std::vector<Link> links() const;
    // The number of the link that leads to the device, if any.
    std::optional<int> numberOf(const std::filesystem::path& device) const;

    // Gives the device a COM number: its existing one, else the lowest free number.
    platform::DWORD addLink(const std::filesystem::path& device, int& number) const;

    // Links every serial device under devRoot that has no link yet (ttyS* with real hardware
    // as sysfs under sysRoot reports it, ttyUSB*, ttyACM*, rfcomm*), in a stable order.
    platform::DWORD linkNewDevices(std::vector<Link>& added, const std::filesystem::path& devRoot = "/dev",
                                   const std::filesystem::path& sysRoot = "/sys") const;

    // The serial devices found under devRoot, ttyS* first, then ttyUSB*, ttyACM*, rfcomm*.
    static std::vector<std::filesystem::path> findSerialDevices(const std::filesystem::path& devRoot,
                                                                const std::filesystem::path& sysRoot);

private:
    std::filesystem::path folder_;
};

}  // namespace zeph::windows::communication
