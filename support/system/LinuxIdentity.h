#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/system/SystemIdentity.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::windows::system {

// What uname tells about the running kernel.
struct KernelIdentity {
    std::string sysname;  // "Linux"
    std::string release;  // "6.1.0-28-amd64"
    std::string version;  // "#1 SMP PREEMPT_DYNAMIC Debian 6.1.119-1 (2024-11-22)"
    std::string machine;  // "x86_64"
};

// The os-release files in the order they are consulted: the first one that can be read is the
// only one used.
std::vector<std::filesystem::path> defaultOsReleaseFiles();

// The value of PRETTY_NAME in an os-release text (shell-style quoting and escapes undone); none
// when the key is missing or empty.
std::optional<std::string> osReleasePrettyName(std::string_view osRelease);

// "x64" for x86_64, "x86" for i386 to i686, "Unknown" for anything else.
std::wstring linuxArchitectureName(std::string_view machine);

// The kernel's own version "a.b.c" gives c. Distributions whose release names an ABI rather than
// the upstream version (Debian: release 6.1.0-28-amd64, version "... Debian 6.1.119-1 ...") keep
// the real one in the version text, which is therefore read first; 0 when neither has it.
platform::DWORD kernelBuildNumber(std::string_view release, std::string_view version);

// The banner's facts from an os-release text (none when no file could be read) and the kernel;
// nothing is detected without the kernel's identity.
SystemIdentity identifyLinux(const std::optional<std::string>& osRelease,
                             const std::optional<KernelIdentity>& kernel);

// The running kernel's identity (uname), none when uname fails.
std::optional<KernelIdentity> runningKernel();

// identifyLinux over the first readable file of the list and the running kernel.
SystemIdentity readLinuxIdentity(const std::vector<std::filesystem::path>& osReleaseFiles);

}  // namespace zeph::windows::system
