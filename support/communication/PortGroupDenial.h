#pragma once

#include "support/communication/PortDirectory.h"

#include <filesystem>
#include <optional>
#include <string>

namespace zeph::windows::communication {

// Why this session may not open a serial device that its group could: the device belongs to a
// group (dialout on Debian) the session is not in. Operators meet it on a fresh machine and only
// they can mend it, so the connect failure names the group and the fix.
class PortGroupDenial {
public:
    // The denial for the device (links followed), or none when this process may open it, the
    // device does not exist, or membership of its group would not let it in either.
    static std::optional<PortGroupDenial> find(const std::filesystem::path& device);
    // The same for a port path as the stack opens it ("\\.\COM4" through the directory, or a
    // device path).
    static std::optional<PortGroupDenial> find(std::wstring_view devicePath, const PortDirectory& directory);

    const std::filesystem::path& device() const { return device_; }
    const std::string& group() const { return group_; }
    // The account is in the group already; only this session began before it was added.
    bool addedSinceLogin() const { return addedSinceLogin_; }

    // The explanation with the fix, for the connect failure box and the log.
    std::wstring advice() const;

private:
    PortGroupDenial(std::filesystem::path device, std::string group, bool addedSinceLogin);

    std::filesystem::path device_;
    std::string group_;
    bool addedSinceLogin_;
};

}  // namespace zeph::windows::communication
