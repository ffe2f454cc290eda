#include "support/system/WindowsVersion.h"
#include "support/system/WindowsVersionDetection.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace zeph::windows::system;
using zeph::platform::DWORD;

WindowsSystem nt(DWORD major, DWORD minor, std::uint8_t productType = VER_NT_WORKSTATION,
                 std::uint16_t suites = 0) {
    WindowsSystem system;
    system.version.platformId = VER_PLATFORM_WIN32_NT;
    system.version.majorVersion = major;
    system.version.minorVersion = minor;
    system.version.productType = productType;
    system.version.suiteMask = suites;
    system.systemArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    return system;
}

constexpr std::uint8_t kServer = 3;

// A registry key with the values given; any other value cannot be read.
class FakeRegistry : public IRegistryVersionValues {
public:
    std::map<std::wstring, std::wstring> texts;
    std::map<std::wstring, DWORD> numbers;

    std::optional<std::wstring> readText(const wchar_t* name) const override {
        const auto found = texts.find(name);
        return found == texts.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<DWORD> readNumber(const wchar_t* name) const override {
        const auto found = numbers.find(name);
        return found == numbers.end() ? std::nullopt : std::optional(found->second);
    }
};

TEST(WindowsName, NineXAndEarlyNtNames) {
    WindowsSystem system;
    system.version.platformId = VER_PLATFORM_WIN32s;
    EXPECT_EQ(windowsName(system), L"Windows 3.1");
    system.version.platformId = VER_PLATFORM_WIN32_WINDOWS;
    system.version.majorVersion = 4;
    system.version.minorVersion = 10;
    system.version.buildNumber = 2182;
    EXPECT_EQ(windowsName(system), L"Windows 98");
    system.version.buildNumber = 2183;
    EXPECT_EQ(windowsName(system), L"Windows 98SE");
    system.version.minorVersion = 90;
    EXPECT_EQ(windowsName(system), L"Windows Millenium");
    system.version.minorVersion = 0;
    EXPECT_EQ(windowsName(system), L"Windows 95");

    EXPECT_EQ(windowsName(nt(3, 51)), L"Windows NT 3.51");
    EXPECT_EQ(windowsName(nt(3, 50)), L"Windows NT 3.5");
    EXPECT_EQ(windowsName(nt(3, 10)), L"Windows NT 3.1");
    EXPECT_EQ(windowsName(nt(4, 0)), L"Windows NT 4.0");
    EXPECT_EQ(windowsName(nt(3, 11)), L"");
    EXPECT_EQ(windowsName(nt(7, 0)), L"") << "a version the table does not know has no name";
}

TEST(WindowsName, FiveXNamesCarryTheEditionOfTheirArchitectureAndSuite) {
    EXPECT_EQ(windowsName(nt(5, 1, VER_NT_WORKSTATION, VER_SUITE_PERSONAL)),
              L"Windows XP Home Edition Standard Edition");
    EXPECT_EQ(windowsName(nt(5, 0, kServer, VER_SUITE_DATACENTER)),
              L"Windows 2000 Datacenter Server Datacenter Edition");
    EXPECT_EQ(windowsName(nt(5, 0, kServer, VER_SUITE_ENTERPRISE | VER_SUITE_BLADE)),
              L"Windows 2000 Advanced Server Enterprise Edition");

    WindowsSystem r2 = nt(5, 2, kServer, VER_SUITE_BLADE);
    r2.serverR2 = true;
    EXPECT_EQ(windowsName(r2), L"Windows Server 2003 R2 Web Edition");
    EXPECT_EQ(windowsName(nt(5, 2, kServer, VER_SUITE_COMPUTE_SERVER | VER_SUITE_DATACENTER)),
              L"Windows Server 2003 Compute Cluster Edition");
    EXPECT_EQ(windowsName(nt(5, 2, kServer, VER_SUITE_WH_SERVER)), L"Windows Home Server Standard Edition");
    EXPECT_EQ(windowsName(nt(5, 2, kServer, VER_SUITE_STORAGE_SERVER)),
              L"Windows Storage Server 2003 Standard Edition");

    WindowsSystem x64 = nt(5, 2, kServer, VER_SUITE_ENTERPRISE);
    x64.systemArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    EXPECT_EQ(windowsName(x64), L"Windows Server 2003 Enterprise x64 Edition");
    WindowsSystem itanium = nt(5, 2, kServer, VER_SUITE_DATACENTER);
    itanium.systemArchitecture = PROCESSOR_ARCHITECTURE_IA64;
    EXPECT_EQ(windowsName(itanium), L"Windows Server 2003 Datacenter Edition for Itanium-based Systems");
    itanium.version.suiteMask = 0;
    EXPECT_EQ(windowsName(itanium), L"Windows Server 2003") << "a plain Itanium server has no edition";
}

TEST(WindowsName, SixAndTenTakeTheirEditionFromTheProductType) {
    WindowsSystem seven = nt(6, 1);
    seven.productInfoType = 1;
    EXPECT_EQ(windowsName(seven), L"Windows 7 Ultimate Edition");
    seven.productInfoType.reset();
    EXPECT_EQ(windowsName(seven), L"Windows 7") << "without GetProductInfo no edition is added";
    seven.productInfoType = 5;
    EXPECT_EQ(windowsName(seven), L"Windows 7") << "an unknown product type adds nothing";

    WindowsSystem embedded = nt(6, 1, kServer, VER_SUITE_EMBEDDEDNT);
    EXPECT_EQ(windowsName(embedded), L"Windows Embedded");
    EXPECT_EQ(windowsName(nt(6, 1, kServer)), L"Windows Server 2008 R2");
    EXPECT_EQ(windowsName(nt(6, 0)), L"Windows Vista");
    EXPECT_EQ(windowsName(nt(6, 3, kServer)), L"Windows Server 2012 R2");

    WindowsSystem core = nt(6, 2, kServer);
    core.productInfoType = 12;
    EXPECT_EQ(windowsName(core), L"Windows Server 2012 Datacenter Edition (core installation)");

    WindowsSystem ten = nt(10, 0);
    ten.productInfoType = 48;
    EXPECT_EQ(windowsName(ten), L"Windows 10 Professional");
    ten.version.productType = kServer;
    ten.productInfoType = 10;
    EXPECT_EQ(windowsName(ten), L"Windows Server 2016 Enterprise Edition");
    ten.version.minorVersion = 1;
    EXPECT_EQ(windowsName(ten), L" Enterprise Edition") << "10.x names only minor 0 but keeps the edition";
}

TEST(WindowsFacts, XpWithoutServicePackReportsNoneAndNoArchitecture) {
    EXPECT_EQ(windowsServicePack(L""), L"None");
    EXPECT_EQ(windowsArchitectureName(5, PROCESSOR_ARCHITECTURE_INTEL), L"Unknown");
    EXPECT_EQ(windowsArchitectureName(10, PROCESSOR_ARCHITECTURE_IA64), L"Unknown");
    EXPECT_EQ(windowsArchitectureName(6, PROCESSOR_ARCHITECTURE_AMD64), L"x64");
}

TEST(WindowsDetection, TheRegistryTurnsAReported62IntoWindows10) {
    FakeRegistry registry;
    registry.texts = {{L"CurrentVersion", L"6.3"}, {L"CurrentBuildNumber", L"19045"}};
    registry.numbers = {{L"CurrentMajorVersionNumber", 10}, {L"CurrentMinorVersionNumber", 0}};
    WindowsSystem system = nt(6, 2);
    system.version.buildNumber = 9200;
    ASSERT_TRUE(refineWindowsVersion(system.version, &registry, nullptr));
    EXPECT_EQ(system.version.majorVersion, 10u);
    EXPECT_EQ(system.version.minorVersion, 0u);
    EXPECT_EQ(system.version.buildNumber, 19045u);
    system.productInfoType = 48;
    EXPECT_EQ(windowsName(system), L"Windows 10 Professional");
}

TEST(WindowsDetection, A62InTheRegistryStopsAfterTheBuildNumber) {
    FakeRegistry registry;
    registry.texts = {{L"CurrentVersion", L"6.2"}, {L"CurrentBuildNumber", L"9200"}};
    registry.numbers = {{L"CurrentMajorVersionNumber", 10}, {L"CurrentMinorVersionNumber", 0}};
    WindowsSystem system = nt(6, 2, kServer);
    ASSERT_TRUE(refineWindowsVersion(system.version, &registry, nullptr));
    EXPECT_EQ(windowsName(system), L"Windows Server 2012");
    EXPECT_EQ(system.version.buildNumber, 9200u);
}

TEST(WindowsDetection, A63WithoutTheMajorNumberLeavesItToVer) {
    FakeRegistry registry;
    registry.texts = {{L"CurrentVersion", L"6.3"}, {L"CurrentBuildNumber", L"9600"}};
    WindowsVersion version = nt(6, 2).version;
    int verRuns = 0;
    const auto ver = [&verRuns]() -> std::optional<std::string> {
        ++verRuns;
        return "\r\nMicrosoft Windows [Version 6.3.9601]\r\n";
    };
    ASSERT_TRUE(refineWindowsVersion(version, &registry, ver));
    EXPECT_EQ(verRuns, 1);
    EXPECT_EQ(version.majorVersion, 6u);
    EXPECT_EQ(version.minorVersion, 3u);
    EXPECT_EQ(version.buildNumber, 9601u);

    WindowsVersion four = nt(6, 2).version;
    EXPECT_FALSE(refineWindowsVersion(four, &registry, [] {
        return std::optional<std::string>("Microsoft Windows [Version 10.0.19045.1234]");
    })) << "four numbers leave the version undetermined";
    EXPECT_FALSE(refineWindowsVersion(four, nullptr, nullptr)) << "no registry and no ver: unknown";
}

TEST(WindowsDetection, VersionsBelow62StandWithoutAsking) {
    WindowsVersion seven = nt(6, 1).version;
    EXPECT_TRUE(refineWindowsVersion(seven, nullptr, nullptr));
    WindowsVersion ten = nt(10, 0).version;
    EXPECT_TRUE(refineWindowsVersion(ten, nullptr, nullptr));
    EXPECT_EQ(ten.majorVersion, 10u);
}

TEST(WindowsDetection, UnreadableOrNonNumericValuesFailTheRegistryStep) {
    FakeRegistry registry;
    registry.texts = {{L"CurrentVersion", L"6.3"}};
    WindowsVersion version = nt(6, 2).version;
    EXPECT_FALSE(readRegistryVersion(registry, version));
    EXPECT_EQ(version.minorVersion, 3u) << "what was read before the failure stays";

    registry.texts = {{L"CurrentVersion", L"abc"}, {L"CurrentBuildNumber", L"9600"}};
    version = nt(6, 2).version;
    EXPECT_FALSE(readRegistryVersion(registry, version));
    EXPECT_EQ(version.minorVersion, 2u);
}

TEST(WindowsDetection, VerOutputParse) {
    const auto parsed = parseVerOutput("Microsoft Windows [Version 6.3.9600]");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->major, 6);
    EXPECT_EQ(parsed->minor, 3);
    EXPECT_EQ(parsed->build, 9600);
    EXPECT_FALSE(parseVerOutput("Microsoft Windows [Version 10.0.19045.1234]"));
    EXPECT_FALSE(parseVerOutput("Microsoft Windows [Version 10.0]"));
    EXPECT_FALSE(parseVerOutput(""));
}

}  // namespace
