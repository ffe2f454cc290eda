#include "support/system/WindowsVersion.h"

namespace zeph::windows::system {

namespace {

bool has(const WindowsVersion& version, std::uint16_t suite) {
    return (version.suiteMask & suite) != 0;
}

bool isWorkstation(const WindowsVersion& version) {
    return version.productType == VER_NT_WORKSTATION;
}

std::wstring windows9xName(const WindowsVersion& v) {
    switch (v.minorVersion) {
        case 0:
            return L"Windows 95";
        case 10:
            return v.buildNumber > 2182 ? L"Windows 98SE" : L"Windows 98";
        case 90:
            return L"Windows Millenium";
        default:
            return {};
    }
}

std::wstring windowsNt3Name(const WindowsVersion& v) {
    switch (v.minorVersion) {
        case 10:
            return L"Windows NT 3.1";
        case 50:
            return L"Windows NT 3.5";
        case 51:
            return L"Windows NT 3.51";
        default:
            return {};
    }
}

std::wstring windows5Name(const WindowsSystem& system) {
    const WindowsVersion& v = system.version;
    switch (v.minorVersion) {
        case 0:
            if (isWorkstation(v)) {
                return L"Windows 2000 Professional";
            }
            return has(v, VER_SUITE_DATACENTER)   ? L"Windows 2000 Datacenter Server"
                   : has(v, VER_SUITE_ENTERPRISE) ? L"Windows 2000 Advanced Server"
                                                  : L"Windows 2000 Server";
        case 1:
            return has(v, VER_SUITE_PERSONAL) ? L"Windows XP Home Edition" : L"Windows XP Professional";
        case 2:
            if (isWorkstation(v)) {
                return L"Windows XP Professional x64 Edition";
            }
            if (has(v, VER_SUITE_WH_SERVER)) {
                return L"Windows Home Server";
            }
            if (has(v, VER_SUITE_STORAGE_SERVER)) {
                return L"Windows Storage Server 2003";
            }
            return system.serverR2 ? L"Windows Server 2003 R2" : L"Windows Server 2003";
        default:
            return {};
    }
}

// The edition that follows every 5.x name, by the architecture GetSystemInfo reports and the suite.
std::wstring windows5Edition(const WindowsSystem& system) {
    const WindowsVersion& v = system.version;
    switch (system.systemArchitecture) {
        case PROCESSOR_ARCHITECTURE_IA64:
            return has(v, VER_SUITE_DATACENTER)   ? L" Datacenter Edition for Itanium-based Systems"
                   : has(v, VER_SUITE_ENTERPRISE) ? L" Enterprise Edition for Itanium-based Systems"
                                                  : L"";
        case PROCESSOR_ARCHITECTURE_AMD64:
            return has(v, VER_SUITE_DATACENTER)   ? L" Datacenter x64 Edition"
                   : has(v, VER_SUITE_ENTERPRISE) ? L" Enterprise x64 Edition"
                                                  : L" Standard x64 Edition";
        default:
            return has(v, VER_SUITE_COMPUTE_SERVER) ? L" Compute Cluster Edition"
                   : has(v, VER_SUITE_DATACENTER)   ? L" Datacenter Edition"
                   : has(v, VER_SUITE_ENTERPRISE)   ? L" Enterprise Edition"
                   : has(v, VER_SUITE_BLADE)        ? L" Web Edition"
                                                    : L" Standard Edition";
    }
}

std::wstring windows6Name(const WindowsVersion& v) {
    const bool workstation = isWorkstation(v);
    switch (v.minorVersion) {
        case 0:
            return workstation ? L"Windows Vista" : L"Windows Server 2008";
        case 1:
            if (has(v, VER_SUITE_EMBEDDEDNT)) {
                return L"Windows Embedded";
            }
            return workstation ? L"Windows 7" : L"Windows Server 2008 R2";
        case 2:
            return workstation ? L"Windows 8" : L"Windows Server 2012";
        case 3:
            return workstation ? L"Windows 8.1" : L"Windows Server 2012 R2";
        default:
            return {};
    }
}

// The edition GetProductInfo's product type names, for versions 6 and 10.
std::wstring productEdition(platform::DWORD productType) {
    switch (productType) {
        case 1:
            return L" Ultimate Edition";
        case 2:
            return L" Home Basic Edition";
        case 3:
            return L" Home Premium Edition";
        case 4:
        case 10:
            return L" Enterprise Edition";
        case 6:
            return L" Business Edition";
        case 7:
            return L" Standard Edition";
        case 8:
            return L" Datacenter Edition";
        case 9:
            return L" Small Business Server";
        case 11:
            return L" Starter Edition";
        case 12:
            return L" Datacenter Edition (core installation)";
        case 13:
            return L" Standard Edition (core installation)";
        case 14:
            return L" Enterprise Edition (core installation)";
        case 15:
            return L" Enterprise Edition for Itanium-based Systems";
        case 17:
            return L" Web Server Edition";
        case 18:
            return L" Cluster Server Edition";
        case 25:
            return L" Small Business Server Premium Edition";
        case 48:
            return L" Professional";
        default:
            return {};
    }
}

std::wstring windowsNtName(const WindowsSystem& system) {
    const WindowsVersion& v = system.version;
    std::wstring name;
    switch (v.majorVersion) {
        case 3:
            return windowsNt3Name(v);
        case 4:
            return L"Windows NT 4.0";
        case 5:
            name = windows5Name(system);
            return name.empty() ? name : name + windows5Edition(system);
        case 6:
            name = windows6Name(v);
            break;
        case 10:
            if (v.minorVersion == 0) {
                name = isWorkstation(v) ? L"Windows 10" : L"Windows Server 2016";
            }
            break;
        default:
            return {};
    }
    if (system.productInfoType) {
        name += productEdition(*system.productInfoType);
    }
    return name;
}

}  // namespace

std::wstring windowsName(const WindowsSystem& system) {
    switch (system.version.platformId) {
        case VER_PLATFORM_WIN32s:
            return L"Windows 3.1";
        case VER_PLATFORM_WIN32_WINDOWS:
            return windows9xName(system.version);
        case VER_PLATFORM_WIN32_NT:
            return windowsNtName(system);
        default:
            return {};
    }
}

std::wstring windowsArchitectureName(platform::DWORD majorVersion, std::uint16_t nativeArchitecture) {
    if (majorVersion >= 6) {
        if (nativeArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
            return L"x64";
        }
        if (nativeArchitecture == PROCESSOR_ARCHITECTURE_INTEL) {
            return L"x86";
        }
    }
    return L"Unknown";
}

std::wstring windowsServicePack(const std::wstring& servicePack) {
    return servicePack.empty() ? L"None" : servicePack;
}

}  // namespace zeph::windows::system
