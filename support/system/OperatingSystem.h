#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/system/SystemIdentity.h"

#include <string>

namespace zeph::windows::system {

// The operating system this process runs on, for the start-up banner: determined once per
// process, from any thread. Every answer is empty (the build 0) while detection has not succeeded.
class OperatingSystem {
public:
    // True once the facts are known; a failed detection is tried again on the next call.
    static bool detect();

    static std::wstring osName();
    static std::wstring processorArchitecture();
    static std::wstring servicePack();
    static platform::DWORD buildNumber();

private:
    static SystemIdentity identity();
};

}  // namespace zeph::windows::system
