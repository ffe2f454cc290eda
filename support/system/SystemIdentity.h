#pragma once

#include "support/platform/ErrorCodes.h"

#include <string>

namespace zeph::windows::system {

// The four facts of the start-up banner. Unknown facts are empty, an unknown build is 0.
struct SystemIdentity {
    bool detected = false;
    std::wstring osName;  // with its edition: "Debian GNU/Linux 12 (bookworm)", "Windows 10 Professional"
    std::wstring architecture;  // "x64", "x86" or "Unknown"
    std::wstring servicePack;   // the service pack (the kernel release on Linux), "None" when empty
    platform::DWORD buildNumber = 0;
};

}  // namespace zeph::windows::system
