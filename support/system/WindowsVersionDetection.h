#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/system/WindowsVersion.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zeph::windows::system {

// The values of "SOFTWARE\Microsoft\Windows NT\CurrentVersion" that refine the version; none for a
// value that cannot be read.
class IRegistryVersionValues {
public:
    virtual std::optional<std::wstring> readText(const wchar_t* name) const = 0;
    virtual std::optional<platform::DWORD> readNumber(const wchar_t* name) const = 0;
    virtual ~IRegistryVersionValues() = default;
};

// Reads "CurrentVersion", "CurrentBuildNumber" and, for 6.3, "CurrentMajorVersionNumber" and
// "CurrentMinorVersionNumber" into the version. False as soon as a value cannot be read (or a text
// is no number); what was read before stays in the version.
bool readRegistryVersion(const IRegistryVersionValues& registry, WindowsVersion& version);

struct VerVersion {
    int major = 0;
    int minor = 0;
    int build = 0;
};

// The version in the output of "ver" ("Microsoft Windows [Version 6.3.9600]"); none unless the
// bracketed version has exactly three numbers.
std::optional<VerVersion> parseVerOutput(std::string_view output);

// What detection does after GetVersionExW succeeded: a version below 6.2 stands; from 6.2 on
// (which Windows also reports to programs not declared for newer versions) the registry decides,
// and when it cannot, the output of "ver" (none when it could not be run). True when the version
// is known.
bool refineWindowsVersion(WindowsVersion& version, const IRegistryVersionValues* registry,
                          const std::function<std::optional<std::string>()>& verOutput);

}  // namespace zeph::windows::system
