#pragma once

#include "support/platform/ErrorCodes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zeph::windows::system {

// The parts of Windows' version record and system information that name the system. A Windows
// build fills it from GetVersionExW, GetSystemInfo, GetNativeSystemInfo, GetProductInfo and
// GetSystemMetrics; the naming rules below need nothing of Windows and are tested on Linux.
struct WindowsVersion {
    platform::DWORD majorVersion = 0;
    platform::DWORD minorVersion = 0;
    platform::DWORD buildNumber = 0;
    platform::DWORD platformId = 0;
    std::wstring servicePack;  // szCSDVersion
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
};

struct WindowsSystem {
    WindowsVersion version;
    std::uint16_t nativeArchitecture = 0;            // GetNativeSystemInfo: the architecture answered
    std::uint16_t systemArchitecture = 0;            // GetSystemInfo: picks the edition of 5.x servers
    std::optional<platform::DWORD> productInfoType;  // GetProductInfo, none when kernel32 lacks it
    bool serverR2 = false;                           // GetSystemMetrics(SM_SERVERR2) != 0
};

inline constexpr platform::DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr platform::DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr platform::DWORD VER_PLATFORM_WIN32_NT = 2;

inline constexpr std::uint8_t VER_NT_WORKSTATION = 1;

inline constexpr std::uint16_t VER_SUITE_ENTERPRISE = 0x0002;
inline constexpr std::uint16_t VER_SUITE_EMBEDDEDNT = 0x0040;
inline constexpr std::uint16_t VER_SUITE_DATACENTER = 0x0080;
inline constexpr std::uint16_t VER_SUITE_PERSONAL = 0x0200;
inline constexpr std::uint16_t VER_SUITE_BLADE = 0x0400;
inline constexpr std::uint16_t VER_SUITE_STORAGE_SERVER = 0x2000;
inline constexpr std::uint16_t VER_SUITE_COMPUTE_SERVER = 0x4000;
inline constexpr std::uint16_t VER_SUITE_WH_SERVER = 0x8000;

inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_INTEL = 0;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_IA64 = 6;
inline constexpr std::uint16_t PROCESSOR_ARCHITECTURE_AMD64 = 9;

// The system's name with its edition ("Windows 7 Ultimate Edition"); empty for a version the
// table does not know.
std::wstring windowsName(const WindowsSystem& system);

// "x64" or "x86" from version 6 on, "Unknown" for anything else and every earlier version.
std::wstring windowsArchitectureName(platform::DWORD majorVersion, std::uint16_t nativeArchitecture);

// The service-pack text, or "None" when it is empty.
std::wstring windowsServicePack(const std::wstring& servicePack);

}  // namespace zeph::windows::system
