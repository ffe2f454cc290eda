#include "support/system/OperatingSystem.h"

#include "support/logging/LogBeacon.h"
#include "support/system/LinuxIdentity.h"

#include <mutex>

namespace zeph::windows::system {

using logging::LogBeacon;

namespace {

std::mutex identityMutex;  //!< Guards theIdentity: detection may be asked from any thread.
SystemIdentity theIdentity;

}  // namespace

bool OperatingSystem::detect() {
    LogBeacon::log("zeph::windows::system::OperatingSystem::detect", logging::DebugLevel1, L" ");
    const std::lock_guard lock(identityMutex);
    if (!theIdentity.detected) {
        theIdentity = readLinuxIdentity(defaultOsReleaseFiles());
    }
    return theIdentity.detected;
}

SystemIdentity OperatingSystem::identity() {
    detect();
    const std::lock_guard lock(identityMutex);
    return theIdentity;
}

std::wstring OperatingSystem::osName() {
    return identity().osName;
}

std::wstring OperatingSystem::processorArchitecture() {
    return identity().architecture;
}

std::wstring OperatingSystem::servicePack() {
    return identity().servicePack;
}

platform::DWORD OperatingSystem::buildNumber() {
    return identity().buildNumber;
}

}  // namespace zeph::windows::system
