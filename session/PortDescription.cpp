#include "session/PortDescription.h"

#include "support/platform/TextConversion.h"

#include <filesystem>
#include <system_error>

namespace quorvex::console {

std::string describePort(std::wstring_view devicePath,
                         const zeph::windows::communication::PortDirectory& ports) {
    using zeph::windows::communication::PortDirectory;
    const auto number = PortDirectory::portNumberOf(devicePath);
    if (!number) {
        return zeph::platform::narrowPath(std::wstring(devicePath));
    }
    const std::string name = "COM" + std::to_string(*number);
    std::error_code error;
    const std::filesystem::path link = ports.linkPath(*number);
    std::filesystem::path device = std::filesystem::read_symlink(link, error);
    if (error) {
        return name;
    }
    return (device.is_absolute() ? device : link.parent_path() / device).lexically_normal().string() + " (" +
           name + ")";
}

}  // namespace quorvex::console
