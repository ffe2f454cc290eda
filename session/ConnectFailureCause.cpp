#include "session/ConnectFailureCause.h"

#include "support/communication/PortDirectory.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace quorvex::console {

namespace {

namespace fs = std::filesystem;
using zeph::windows::communication::PortDirectory;

std::optional<fs::path> fileOf(std::wstring_view devicePath) {
    return PortDirectory::fromEnvironment().fileOf(devicePath);
}

std::string systemWords(zeph::platform::DWORD error) {
    std::string text = zeph::platform::narrow(zeph::platform::systemText(error).value_or(L""));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(error) : text;
}

enum class PortKind { Missing, NotSerial, Held, Serial };

// A second look at the port: an open that cannot block (O_NONBLOCK) tells a terminal from
// anything else, and a terminal that opens though the port's own open failed is held elsewhere.
PortKind kindOf(const fs::path& file) {
    struct stat attributes {};
    if (::stat(file.c_str(), &attributes) != 0) {
        return PortKind::Missing;
    }
    if (!S_ISCHR(attributes.st_mode)) {
        return PortKind::NotSerial;
    }
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == EBUSY ? PortKind::Held : PortKind::Serial;
    }
    const bool terminal = ::isatty(fd) != 0;
    ::close(fd);
    return terminal ? PortKind::Held : PortKind::NotSerial;
}

}  // namespace

std::string portDescription(std::wstring_view devicePath) {
    const std::string given = zeph::platform::narrowPath(devicePath);
    const std::optional<int> number = PortDirectory::portNumberOf(devicePath);
    const std::optional<fs::path> file = fileOf(devicePath);
    if (!number || !file) {
        return given;
    }
    std::error_code error;
    const fs::path target = fs::read_symlink(*file, error);
    return "COM" + std::to_string(*number) + " (" +
           (error ? file->string() : (file->parent_path() / target).lexically_normal().string()) + ")";
}

std::string portFailureCause(std::wstring_view devicePath, zeph::platform::DWORD error) {
    const std::string port = portDescription(devicePath);
    const std::optional<fs::path> file = fileOf(devicePath);
    switch (file ? kindOf(*file) : PortKind::Missing) {
        case PortKind::Missing:
            return port + " leads to no device";
        case PortKind::NotSerial:
            return port + " is not a serial port";
        case PortKind::Held:
            if (error == zeph::platform::ERROR_ACCESS_DENIED) {
                return port + " is held by another program";
            }
            break;
        case PortKind::Serial:
            break;
    }
    return port + ": " + systemWords(error);
}

std::string unitSilentCause(std::wstring_view devicePath) {
    return "no answer from the unit on " + portDescription(devicePath);
}

}  // namespace quorvex::console
