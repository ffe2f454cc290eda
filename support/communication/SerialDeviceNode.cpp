#include "support/communication/SerialDeviceNode.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <string>

namespace zeph::windows::communication {

namespace {

// Device numbers from the kernel's devices.txt.
constexpr unsigned VirtualTerminalMajor = 4;  // minors below 64; ttyS from 64 on
constexpr unsigned FirstSerialMinorOfMajor4 = 64;
constexpr unsigned AlternateTtyMajor = 5;  // /dev/tty, /dev/console, /dev/ptmx
constexpr unsigned FirstPtySlaveMajor = 136;
constexpr unsigned LastPtySlaveMajor = 143;

bool inTtyClass(unsigned major, unsigned minor, const std::filesystem::path& sysRoot) {
    std::error_code error;
    const std::filesystem::path subsystem = std::filesystem::read_symlink(
        sysRoot / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor)) / "subsystem",
        error);
    return !error && subsystem.filename() == "tty";
}

}  // namespace

bool isSerialDeviceNode(const std::filesystem::path& path, const std::filesystem::path& sysRoot) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    const unsigned major = ::major(status.st_rdev);
    const unsigned minor = ::minor(status.st_rdev);
    if (major >= FirstPtySlaveMajor && major <= LastPtySlaveMajor) {
        return true;  // devpts has no sysfs entries
    }
    if (major == AlternateTtyMajor || (major == VirtualTerminalMajor && minor < FirstSerialMinorOfMajor4)) {
        return false;
    }
    return inTtyClass(major, minor, sysRoot);
}

}  // namespace zeph::windows::communication
