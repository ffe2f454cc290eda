#include "support/communication/PortDirectory.h"

#include "support/platform/LastError.h"
#include "support/platform/TextConversion.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <set>
#include <string>
#include <system_error>

namespace zeph::windows::communication {

namespace fs = std::filesystem;
using platform::DWORD;

namespace {

// Serial device families in the order their new devices are numbered.
constexpr std::array<std::string_view, 4> kDeviceFamilies{"ttyS", "ttyUSB", "ttyACM", "rfcomm"};
constexpr std::string_view kLinkPrefix = "com";
// More digits than any real port number: longer numbers are not port names.
constexpr std::size_t kMaxNumberDigits = 6;

const char* environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

fs::path homeFolder() {
    if (const char* home = environmentValue("HOME")) {
        return home;
    }
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return fs::temp_directory_path();
}

// The number of "<prefix><digits>", or nothing for any other name.
std::optional<int> numberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size());
    if (digits.empty() || digits.size() > kMaxNumberDigits ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int number = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return number;
}

DWORD win32FromErrorCode(const std::error_code& error) {
    return platform::win32FromErrno(error.value());
}

// A ttyS node exists for every possible 8250 port; sysfs reports type 0 for those without a UART.
bool hasUartHardware(const fs::path& sysRoot, const std::string& name) {
    std::ifstream typeFile(sysRoot / "class" / "tty" / name / "type");
    int type = 0;
    return static_cast<bool>(typeFile >> type) && type != 0;
}

}  // namespace

PortDirectory::PortDirectory(fs::path folder) : folder_(std::move(folder)) {}

fs::path PortDirectory::defaultFolder() {
    if (const char* folder = environmentValue("QUORVEX_PORT_DIR")) {
        return folder;
    }
    fs::path dataHome;
    if (const char* xdg = environmentValue("XDG_DATA_HOME"); xdg != nullptr && fs::path(xdg).is_absolute()) {
        dataHome = xdg;
    } else {
        dataHome = homeFolder() / ".local" / "share";
    }
    return dataHome / "quorvex" / "ports";
}

std::optional<int> PortDirectory::portNumberOf(std::wstring_view devicePath) {
    constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
    if (devicePath.starts_with(kDevicePrefix)) {
        devicePath.remove_prefix(kDevicePrefix.size());
    }
    std::string name;
    for (const wchar_t c : devicePath) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        name.push_back(static_cast<char>(std::towlower(static_cast<wint_t>(c))));
    }
    const std::optional<int> number = numberAfter(name, kLinkPrefix);
    return number && *number > 0 ? number : std::nullopt;
}

std::optional<fs::path> PortDirectory::fileOf(std::wstring_view devicePath) const {
    if (const std::optional<int> number = portNumberOf(devicePath)) {
        return linkPath(*number);
    }
    if (devicePath.starts_with(L'/')) {
        return fs::path(platform::narrowPath(devicePath));
    }
    return std::nullopt;
}

fs::path PortDirectory::linkPath(int number) const {
    return folder_ / (std::string(kLinkPrefix) + std::to_string(number));
}

std::vector<PortDirectory::Link> PortDirectory::links() const {
    std::vector<Link> found;
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        const std::optional<int> number = numberAfter(it->path().filename().string(), kLinkPrefix);
        if (!number || *number <= 0) {
            continue;
        }
        std::error_code linkError;
        fs::path target = fs::read_symlink(it->path(), linkError);
        if (linkError) {
            target = it->path();  // a device node or file placed here by hand stands for itself
        } else if (target.is_relative()) {
            target = folder_ / target;
        }
        found.push_back(Link{*number, it->path(), target.lexically_normal()});
    }
    std::sort(found.begin(), found.end(), [](const Link& a, const Link& b) { return a.number < b.number; });
    return found;
}

std::optional<int> PortDirectory::numberOf(const fs::path& device) const {
    std::error_code error;
    const fs::path wanted = fs::absolute(device, error).lexically_normal();
    for (const Link& link : links()) {
        std::error_code ignored;
        if (link.target == wanted || fs::equivalent(link.link, device, ignored)) {
            return link.number;
        }
    }
    return std::nullopt;
}

DWORD PortDirectory::addLink(const fs::path& device, int& number) const {
    if (const std::optional<int> existing = numberOf(device)) {
        number = *existing;
        return platform::ERROR_SUCCESS;
    }
    std::error_code error;
    const fs::path target = fs::absolute(device, error).lexically_normal();
    if (error) {
        return win32FromErrorCode(error);
    }
    fs::create_directories(folder_, error);
    if (error) {
        return win32FromErrorCode(error);
    }
    std::set<int> used;
    for (const Link& link : links()) {
        used.insert(link.number);
    }
    // Another instance may take a number at the same moment: symlink() refuses an existing
    // name, and the next free number is tried.
    for (int candidate = 1; candidate > 0; ++candidate) {
        if (used.contains(candidate)) {
            continue;
        }
        fs::create_symlink(target, linkPath(candidate), error);
        if (!error) {
            number = candidate;
            return platform::ERROR_SUCCESS;
        }
        if (error != std::errc::file_exists) {
            return win32FromErrorCode(error);
        }
    }
    return platform::ERROR_FILE_EXISTS;
}

DWORD PortDirectory::linkNewDevices(std::vector<Link>& added, const fs::path& devRoot,
                                    const fs::path& sysRoot) const {
    for (const fs::path& device : findSerialDevices(devRoot, sysRoot)) {
        if (numberOf(device)) {
            continue;
        }
        int number = 0;
        if (const DWORD result = addLink(device, number); result != platform::ERROR_SUCCESS) {
            return result;
        }
        added.push_back(Link{number, linkPath(number), device.lexically_normal()});
    }
    return platform::ERROR_SUCCESS;
}

std::vector<fs::path> PortDirectory::findSerialDevices(const fs::path& devRoot, const fs::path& sysRoot) {
    struct Found {
        std::size_t family;
        int number;
        fs::path path;
    };
    std::vector<Found> found;
    std::error_code error;
    for (fs::directory_iterator it(devRoot, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        for (std::size_t family = 0; family < kDeviceFamilies.size(); ++family) {
            const std::optional<int> number = numberAfter(name, kDeviceFamilies[family]);
            if (!number) {
                continue;
            }
            if (kDeviceFamilies[family] == "ttyS" && !hasUartHardware(sysRoot, name)) {
                break;
            }
            found.push_back(Found{family, *number, it->path()});
            break;
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.family != b.family ? a.family < b.family : a.number < b.number;
    });
    std::vector<fs::path> devices;
    for (Found& f : found) {
        devices.push_back(std::move(f.path));
    }
    return devices;
}

}  // namespace zeph::windows::communication
