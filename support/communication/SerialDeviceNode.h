#pragma once

#include <filesystem>

namespace zeph::windows::communication {

// Whether the path (links followed) is a serial line a unit could be on: a terminal device of the
// kernel's tty class (sysfs under sysRoot tells), or a pseudo-terminal's slave. Not the console,
// a virtual terminal, /dev/tty or the pty master, nor any other node, file, folder or FIFO.
bool isSerialDeviceNode(const std::filesystem::path& path, const std::filesystem::path& sysRoot = "/sys");

}  // namespace zeph::windows::communication
